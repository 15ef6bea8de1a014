#pragma once

#include "engine/dataset/DataSet.h"
#include "engine/dataset/Filter.h"
#include "engine/table/TableFile.h"

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace engine {

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };

// A dataset over one table file, in the order of an index (IndexName) or in
// natural order, with an optional filter and key range.
class TTable : public TDataSet {
public:
    TTable() = default;
    ~TTable() override;

    // Alias, directory or drive of the table.
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    TTableType TableType() const { return tableType_; }
    void SetTableType(TTableType type);
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(const std::string& name); // reorders an open table
    const std::string& Filter() const { return filterText_; }
    void SetFilter(const std::string& text);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    bool Exclusive = false;
    // Opens the table for reading only. A table whose file the user may not
    // write opens so too (a dictionary installed for every user): it can be
    // browsed and searched, and every change is refused naming the file.
    bool ReadOnly = false;

    // The table file this dataset opens: directory of DatabaseName plus
    // TableName, with ".DBF" or ".DB" by TableType when it has no extension.
    std::filesystem::path TablePath() const;

    // Key searches on the current index; values map onto the fields that the
    // index key names, in order; fields left out are blank.
    bool FindKey(std::initializer_list<Value> values);
    bool FindKey(const Record& values);
    void SetKey();
    bool GotoKey();
    void GotoNearest();
    void SetRangeStart();
    void SetRangeEnd();
    void ApplyRange();
    void CancelRange();
    // Moves to the row that is current in `other`, a dataset on the same file.
    void GotoCurrent(TTable& other);

    // Adds an index to the table (open or closed): Paradox by name, key
    // fields ("A;B") and options; dBase tags through the database.
    void AddIndex(const std::string& name, const std::string& fields, int options);

    Value Lookup(const std::string& keyFields, const Record& keyValues,
                 const std::string& resultField) override;

    // The open file, for batch moves and the database; null when closed.
    TableFile* tableFile() const { return file_.get(); }
    RowId currentRow() const { return hasRow_ ? row_ : NoRow; }

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
    bool canModify() const override { return !ReadOnly && !unwritable_; }
    std::string readOnlyMessage() const override;
    const FieldList& columns() const override;

private:
    void requireClosed(const char* what) const;
    void openOrder();
    bool naturalByRow() const;
    std::string keyOf(const Record& record);
    Record keyRecord(const Record& values) const;
    bool visible(RowId row, Record& record);
    bool inRangeForward(const std::string& key);
    bool inRangeBackward(const std::string& key);
    bool settleForward();
    bool settleBackward();
    bool positionLast();
    bool reposition(const std::string& key, RowId row);
    void ensureCursor();
    bool seekKey(const std::string& key, bool exact);
    void load(RowId row, Record&& record, std::string key);
    Value lookup(const std::string& keyFields, const Record& keyValues,
                 const std::string& resultField);
    const IndexInfo* activeIndex() const;

    std::string databaseName_;
    std::string tableName_;
    TTableType tableType_ = ttDefault;
    std::string indexName_;
    std::string filterText_;
    bool filtered_ = false;

    std::shared_ptr<TableFile> file_;
    bool unwritable_ = false; // open for reading: the user may not write the file
    std::vector<IndexInfo> indexes_;
    std::unique_ptr<IndexCursor> cursor_;
    std::optional<engine::Filter> filter_;
    std::uint64_t seenChange_ = 0;
    RowId row_ = NoRow;     // current row
    std::string key_;       // its key in the current order
    RowId scanRow_ = NoRow; // natural order by row number: the scan position

    bool rangeActive_ = false;
    std::optional<std::string> rangeStart_, rangeEnd_;
    Record rangeStartValues_, rangeEndValues_;
    enum class KeyTarget { Search, RangeStart, RangeEnd } keyTarget_ = KeyTarget::Search;
};

} // namespace engine
