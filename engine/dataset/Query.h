#pragma once

#include "engine/TableFile.h"
#include "engine/dataset/DataSet.h"

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
// ":name". The result is read whole at Open and its tables closed again;
// with UniDirectional it is read row by row as the dataset moves on and only
// the current row is kept (Next only, no Prior or Last), the tables open
// until the last row is read or the query closed.
class TQuery : public TDataSet {
public:
    TQuery();
    ~TQuery() override;

    std::string DatabaseName;
    std::vector<std::string> SQL; // lines, joined by line breaks
    bool UniDirectional = false;

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
    // Reads the next row of the result into rows_; false at its end.
    bool step();
    void requireScrollable(const char* what) const;

    std::map<std::string, TParam> params_;
    FieldList columns_;
    std::unique_ptr<Statement> statement_; // until the result is read to its end
    std::vector<Record> rows_;             // rows read, from row number first_ on
    std::size_t first_ = 0;
    std::size_t index_ = 0;
};

} // namespace engine
