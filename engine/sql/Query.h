#pragma once

#include "engine/dataset/DataSet.h"
#include "engine/sql/ResultSpool.h"
#include "engine/table/TableFile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// A named parameter of a query (":name" in its SQL text).
class TParam {
public:
    void SetAsString(const std::string& text) { value_ = Value(text); }
    void SetAsInteger(std::int64_t n) { value_ = Value(n); }
    void SetAsFloat(double n) { value_ = Value(n); }
    void SetAsDateTime(Date d) { value_ = Value(d); }
    void SetAsBoolean(bool b) { value_ = Value(b); }
    void Clear() { value_ = Value(); }
    const Value& value() const { return value_; }

private:
    Value value_;
};

// A read-only dataset over the result of an SQL text run against the tables
// of a directory (DatabaseName) that the text names, in the order its ORDER
// BY gives. The text follows the engine's dialect: double quotes delimit
// strings, LIKE and comparisons are case-sensitive, named parameters are
// ":name". The text is one SELECT; nothing else (no ATTACH, PRAGMA or
// writes) is run. At Open the result is stepped through once into a temporary store
// on disk and its tables are closed again; moves read one row back from it.
// With UniDirectional the result is stepped as the dataset moves on (Next
// only, no Prior or Last), the tables open until the last row is read or the
// query closed. Either way only the current row is held in memory.
class TQuery : public TDataSet {
public:
    TQuery();
    ~TQuery() override;

    std::string DatabaseName;
    std::vector<std::string> SQL; // lines, joined by line breaks
    bool UniDirectional = false;
    // The most a scrolling result may take in its store: a dBase table file
    // is never larger, and a text that makes rows without end stops there.
    std::uint64_t ResultLimit = std::uint64_t{2} << 30;

    TParam& ParamByName(const std::string& name);
    // Rows of the result (not with UniDirectional).
    std::size_t RecordCount();
    // The number (from 1) of the current row in the result; NoRow when none.
    RowId RecNo() const { return hasRow_ ? index_ + 1 : NoRow; }
    // Moves to the row numbered `row`; false, staying put, when there is none.
    bool GotoRecNo(RowId row);
    // The table-style definition of result column i (type, width, decimals).
    const FieldDef& columnDef(std::size_t i) const { return columns_.at(i); }

protected:
    void internalOpen() override;
    void internalClose() override;
    bool internalFirst() override;
    bool internalLast() override;
    bool internalNext() override;
    bool internalPrior() override;
    bool internalResync() override;
    void internalRefresh() override;
    void internalPost(bool inserting, const Record& values) override;
    bool internalDelete() override;
    bool canModify() const override { return false; }
    const FieldList& columns() const override { return columns_; }

private:
    struct Statement;
    bool moveTo(std::size_t index);
    // Steps the statement to the next row of the result; false at its end,
    // where the statement and its tables are closed.
    bool stepStatement();
    Record rowOf(sqlite3_stmt* stmt) const;
    void requireScrollable(const char* what) const;

    std::map<std::string, TParam> params_;
    FieldList columns_;
    std::unique_ptr<Statement> statement_; // while the result is being stepped
    std::unique_ptr<ResultSpool> spool_;   // the rows of a scrolling result
    Record streamedRow_;                   // the last row stepped (UniDirectional)
    std::size_t streamed_ = 0;             // rows stepped so far (UniDirectional)
    std::size_t index_ = 0;
};

} // namespace engine
