#include "engine/dataset/Table.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/Location.h"
#include "engine/dataset/OpenTables.h"
#include "engine/dataset/ValueConversion.h"
#include "engine/files/FileNames.h"

#include <cerrno>
#include <unistd.h>

namespace engine {

namespace fs = std::filesystem;

TTable::~TTable() {
    try {
        Close();
    } catch (...) {
        // Closing releases handles only; nothing to report at destruction.
    }
}

void TTable::requireClosed(const char* what) const {
    if (Active())
        throw EngineError(code::InvalidParameter,
                          std::string("Cannot change ") + what + " of open table " + tableName_);
}

void TTable::SetDatabaseName(const std::string& name) {
    requireClosed("the database");
    databaseName_ = name;
}

void TTable::SetTableName(const std::string& name) {
    requireClosed("the table name");
    tableName_ = name;
}

void TTable::SetTableType(TTableType type) {
    requireClosed("the table type");
    tableType_ = type;
}

void TTable::SetIndexName(const std::string& name) {
    if (equalsIgnoreCase(name, indexName_))
        return;
    if (!Active()) {
        indexName_ = name;
        return;
    }
    CheckBrowseMode();
    std::string previous = indexName_;
    indexName_ = name;
    engineCall([&] {
        try {
            openOrder();
        } catch (...) {
            indexName_ = previous;
            openOrder();
            throw;
        }
    });
    rangeActive_ = false;
    rangeStart_.reset();
    rangeEnd_.reset();
    hasRow_ = engineCall([&] {
        // Stay on the same row in the new order.
        if (hasRow_)
            key_ = keyOf(file_->read(row_));
        return internalResync() || internalFirst();
    });
    setEofBof(!hasRow_, !hasRow_);
    rowChanged();
}

void TTable::SetFilter(const std::string& text) {
    filterText_ = text;
    if (Active() && filtered_)
        SetFiltered(true);
}

void TTable::SetFiltered(bool filtered) {
    filtered_ = filtered;
    if (!Active())
        return;
    engineCall([&] {
        if (filtered_ && !filterText_.empty())
            filter_.emplace(filterText_, file_->fields());
        else
            filter_.reset();
    });
    CheckBrowseMode();
    hasRow_ = engineCall([&] { return internalResync() || internalFirst(); });
    setEofBof(!hasRow_, !hasRow_);
    rowChanged();
}

fs::path TTable::TablePath() const {
    if (tableName_.empty())
        throw EngineError(code::InvalidParameter, "No table name given for dataset " + Name);
    return engineCall([&] {
        fs::path path = tableInDirectory(resolveLocation(databaseName_), tableName_);
        if (!path.has_extension())
            path += (tableType_ == ttParadox) ? ".DB" : ".DBF";
        return path;
    });
}

const FieldList& TTable::columns() const {
    static const FieldList none;
    return file_ ? file_->fields() : none;
}

const IndexInfo* TTable::activeIndex() const {
    for (const IndexInfo& info : indexes_)
        if (equalsIgnoreCase(info.def.name, indexName_))
            return &info;
    return nullptr;
}

std::string TTable::readOnlyMessage() const {
    if (unwritable_)
        return TablePath().string() + " is read-only: it can be read but not changed";
    return "Table " + TablePath().string() + " is open read-only";
}

void TTable::internalOpen() {
    fs::path path = TablePath();
    // Exclusive use is for writing; a file the user may not write stays refused.
    unwritable_ = !ReadOnly && !Exclusive && ::access(path.c_str(), W_OK) != 0 &&
                  (errno == EACCES || errno == EROFS);
    file_ = openShared(path, OpenOptions{Exclusive, ReadOnly || unwritable_});
    try {
        indexes_ = file_->indexes();
        if (filtered_ && !filterText_.empty())
            filter_.emplace(filterText_, file_->fields());
        openOrder();
    } catch (...) {
        file_.reset();
        throw;
    }
    row_ = NoRow;
    key_.clear();
}

void TTable::internalClose() {
    cursor_.reset();
    filter_.reset();
    file_.reset();
    indexes_.clear();
    rangeActive_ = false;
    rangeStart_.reset();
    rangeEnd_.reset();
    row_ = NoRow;
}

void TTable::openOrder() {
    cursor_.reset();
    indexes_ = file_->indexes(); // another dataset or the database may have added one
    if (!indexName_.empty()) {
        if (!activeIndex()) {
            // An index file that is missing, damaged or unreadable says so itself.
            if (indexes_.empty())
                file_->openIndex(indexName_);
            throw EngineError(code::NotFound, "Index " + indexName_ + " not found for table " +
                                                  file_->path().string());
        }
        cursor_ = file_->openIndex(indexName_);
    } else if (!file_->stableRowIds()) {
        cursor_ = file_->openIndex("");
    }
    seenChange_ = file_->changeCount();
}

bool TTable::naturalByRow() const {
    return !cursor_;
}

std::string TTable::keyOf(const Record& record) {
    return cursor_ ? file_->indexKey(indexName_, record) : std::string();
}

// The values of a key mapped onto the fields of the current index.
Record TTable::keyRecord(const Record& values) const {
    const IndexInfo* index = activeIndex();
    if (!index && !indexName_.empty())
        throw EngineError(code::NotFound, "Index " + indexName_ + " not found");
    if (!index)
        throw EngineError(code::InvalidParameter,
                          "Table " + tableName_ + " has no index set for a key search");
    Record record(columns().size());
    for (std::size_t i = 0; i < values.size() && i < index->keyFields.size(); ++i) {
        int field = index->keyFields[i];
        record[field] = convertForField(values[i], columns()[field], nullptr);
    }
    return record;
}

bool TTable::visible(RowId row, Record& record) {
    if (file_->isDeleted(row))
        return false;
    record = file_->read(row);
    return !filter_ || filter_->accepts(record);
}

bool TTable::inRangeForward(const std::string& key) {
    return !rangeActive_ || !rangeEnd_ || file_->compareKeys(indexName_, key, *rangeEnd_) <= 0;
}

bool TTable::inRangeBackward(const std::string& key) {
    return !rangeActive_ || !rangeStart_ || file_->compareKeys(indexName_, key, *rangeStart_) >= 0;
}

void TTable::load(RowId row, Record&& record, std::string key) {
    row_ = row;
    key_ = std::move(key);
    current_ = std::move(record);
}

bool TTable::settleForward() {
    Record record;
    if (naturalByRow()) {
        for (; scanRow_ >= 1 && scanRow_ <= file_->rowCount(); ++scanRow_)
            if (visible(scanRow_, record)) {
                load(scanRow_, std::move(record), std::string());
                return true;
            }
        return false;
    }
    bool onEntry = true;
    while (onEntry) {
        const std::string& key = cursor_->key();
        if (!inRangeForward(key))
            return false;
        if (inRangeBackward(key) && visible(cursor_->row(), record)) {
            load(cursor_->row(), std::move(record), key);
            return true;
        }
        onEntry = cursor_->next();
    }
    return false;
}

bool TTable::settleBackward() {
    Record record;
    if (naturalByRow()) {
        for (; scanRow_ >= 1; --scanRow_)
            if (scanRow_ <= file_->rowCount() && visible(scanRow_, record)) {
                load(scanRow_, std::move(record), std::string());
                return true;
            }
        return false;
    }
    bool onEntry = true;
    while (onEntry) {
        const std::string& key = cursor_->key();
        if (!inRangeBackward(key))
            return false;
        if (inRangeForward(key) && visible(cursor_->row(), record)) {
            load(cursor_->row(), std::move(record), key);
            return true;
        }
        onEntry = cursor_->prior();
    }
    return false;
}

// Puts the cursor on the entry of (key, row), or on the first entry after
// it when that row is gone; false when that is past the end.
bool TTable::reposition(const std::string& key, RowId row) {
    seenChange_ = file_->changeCount();
    if (naturalByRow()) {
        scanRow_ = row;
        return row >= 1 && row <= file_->rowCount();
    }
    if (key.empty() && indexName_.empty())
        return cursor_->seekRow(row); // a natural order without keys
    if (!cursor_->seek(key))
        return false;
    if (!file_->stableRowIds())
        return true;
    while (cursor_->row() != row && file_->compareKeys(indexName_, cursor_->key(), key) == 0)
        if (!cursor_->next())
            return false;
    return true;
}

void TTable::ensureCursor() {
    if (file_->changeCount() != seenChange_ && hasRow_)
        reposition(key_, row_);
}

bool TTable::internalFirst() {
    ensureCursor();
    if (naturalByRow()) {
        scanRow_ = 1;
        return settleForward();
    }
    seenChange_ = file_->changeCount();
    bool onEntry = (rangeActive_ && rangeStart_) ? cursor_->seek(*rangeStart_) : cursor_->first();
    return onEntry && settleForward();
}

bool TTable::positionLast() {
    if (naturalByRow()) {
        scanRow_ = file_->rowCount();
        return settleBackward();
    }
    seenChange_ = file_->changeCount();
    bool onEntry;
    if (rangeActive_ && rangeEnd_) {
        onEntry = cursor_->seek(*rangeEnd_);
        while (onEntry && file_->compareKeys(indexName_, cursor_->key(), *rangeEnd_) <= 0)
            onEntry = cursor_->next();
        onEntry = onEntry ? cursor_->prior() : cursor_->last();
    } else {
        onEntry = cursor_->last();
    }
    return onEntry && settleBackward();
}

bool TTable::internalLast() {
    return positionLast();
}

bool TTable::internalNext() {
    ensureCursor();
    RowId row = row_;
    std::string key = key_;
    bool moved;
    if (naturalByRow()) {
        scanRow_ = row_ + 1;
        moved = settleForward();
    } else {
        moved = cursor_->next() && settleForward();
    }
    if (!moved)
        reposition(key, row);
    return moved;
}

bool TTable::internalPrior() {
    ensureCursor();
    RowId row = row_;
    std::string key = key_;
    bool moved;
    if (naturalByRow()) {
        scanRow_ = row_ - 1;
        moved = settleBackward();
    } else {
        moved = cursor_->prior() && settleBackward();
    }
    if (!moved)
        reposition(key, row);
    return moved;
}

bool TTable::internalResync() {
    if (row_ == NoRow)
        return false;
    Record record;
    if (file_->stableRowIds() && row_ <= file_->rowCount() && visible(row_, record)) {
        std::string key = keyOf(record);
        if (!naturalByRow() && !reposition(key, row_))
            return false;
        if (naturalByRow())
            scanRow_ = row_;
        load(row_, std::move(record), std::move(key));
        return true;
    }
    // The row is gone or no longer visible: stand on the nearest one.
    RowId row = row_;
    std::string key = key_;
    if (reposition(key, row) && settleForward())
        return true;
    return positionLast();
}

void TTable::internalRefresh() {
    file_->refresh();
    indexes_ = file_->indexes();
    seenChange_ = file_->changeCount() + 1; // reposition the cursor on next use
}

void TTable::internalPost(bool inserting, const Record& values) {
    Record record = values;
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = convertForField(record[i], columns()[i], nullptr);
    RowId row = inserting ? file_->append(record) : file_->update(row_, record);
    Record stored = file_->read(row);
    std::string key = keyOf(stored);
    reposition(key, row);
    if (!naturalByRow() && !file_->stableRowIds())
        row = cursor_->row();
    load(row, std::move(stored), std::move(key));
}

bool TTable::internalDelete() {
    RowId row = row_;
    std::string key = key_;
    file_->remove(row);
    if (reposition(key, row) && settleForward())
        return true;
    return positionLast();
}

bool TTable::seekKey(const std::string& key, bool exact) {
    CheckBrowseMode();
    if (naturalByRow())
        throw EngineError(code::InvalidParameter,
                          "Table " + tableName_ + " has no index set for a key search");
    bool found = engineCall([&] {
        ensureCursor();
        seenChange_ = file_->changeCount();
        bool onEntry = cursor_->seek(key);
        Record record;
        while (onEntry) {
            const std::string& entry = cursor_->key();
            if (exact && file_->compareKeys(indexName_, entry, key) != 0)
                break;
            if (!inRangeForward(entry))
                break;
            if (inRangeBackward(entry) && visible(cursor_->row(), record)) {
                load(cursor_->row(), std::move(record), entry);
                return true;
            }
            onEntry = cursor_->next();
        }
        if (hasRow_)
            reposition(key_, row_);
        return false;
    });
    if (found) {
        hasRow_ = true;
        setEofBof(false, false);
        rowChanged();
    }
    return found;
}

bool TTable::FindKey(std::initializer_list<Value> values) {
    return FindKey(Record(values));
}

bool TTable::FindKey(const Record& values) {
    if (!Active())
        throw EngineError(code::NotActive, "Table " + tableName_ + " is not open");
    return seekKey(engineCall([&] { return file_->indexKey(indexName_, keyRecord(values)); }),
                   true);
}

void TTable::SetKey() {
    keyTarget_ = KeyTarget::Search;
    enterSetKey();
}

bool TTable::GotoKey() {
    Record values = keyBuffer();
    leaveSetKey();
    Record record(columns().size());
    for (std::size_t i = 0; i < values.size(); ++i)
        record[i] = values[i];
    return seekKey(engineCall([&] { return file_->indexKey(indexName_, record); }), true);
}

void TTable::GotoNearest() {
    Record record = keyBuffer();
    leaveSetKey();
    if (!seekKey(engineCall([&] { return file_->indexKey(indexName_, record); }), false)) {
        hasRow_ = engineCall([&] { return positionLast(); });
        setEofBof(true, !hasRow_);
        rowChanged();
    }
}

void TTable::SetRangeStart() {
    if (State() == dsSetKey && keyTarget_ == KeyTarget::RangeEnd)
        rangeEndValues_ = keyBuffer();
    keyTarget_ = KeyTarget::RangeStart;
    enterSetKey();
}

void TTable::SetRangeEnd() {
    if (State() == dsSetKey && keyTarget_ == KeyTarget::RangeStart)
        rangeStartValues_ = keyBuffer();
    keyTarget_ = KeyTarget::RangeEnd;
    enterSetKey();
}

void TTable::ApplyRange() {
    if (State() == dsSetKey) {
        if (keyTarget_ == KeyTarget::RangeStart)
            rangeStartValues_ = keyBuffer();
        else if (keyTarget_ == KeyTarget::RangeEnd)
            rangeEndValues_ = keyBuffer();
        leaveSetKey();
    }
    if (naturalByRow())
        throw EngineError(code::InvalidParameter,
                          "Table " + tableName_ + " has no index set for a range");
    auto keyFor = [&](const Record& values) {
        Record record(columns().size());
        for (std::size_t i = 0; i < values.size() && i < record.size(); ++i)
            record[i] = values[i];
        return file_->indexKey(indexName_, record);
    };
    engineCall([&] {
        rangeStart_ = keyFor(rangeStartValues_);
        rangeEnd_ = keyFor(rangeEndValues_);
    });
    rangeActive_ = true;
    First();
}

void TTable::CancelRange() {
    CheckBrowseMode();
    rangeActive_ = false;
    rangeStart_.reset();
    rangeEnd_.reset();
    hasRow_ = engineCall([&] { return internalResync() || internalFirst(); });
    setEofBof(!hasRow_, !hasRow_);
    rowChanged();
}

void TTable::GotoCurrent(TTable& other) {
    if (!Active() || !other.Active() || other.file_ != file_)
        throw EngineError(code::InvalidParameter,
                          "GotoCurrent needs two open datasets on the same table");
    CheckBrowseMode();
    RowId row = other.currentRow();
    if (row == NoRow)
        return;
    bool found = engineCall([&] {
        std::string key = keyOf(file_->read(row));
        if (!reposition(key, row))
            return false;
        Record visibleRecord;
        RowId at = naturalByRow() ? scanRow_ : cursor_->row();
        if (!visible(at, visibleRecord))
            return false;
        load(at, std::move(visibleRecord), key);
        return true;
    });
    if (found) {
        hasRow_ = true;
        setEofBof(false, false);
        rowChanged();
        return;
    }
    throw EngineError(code::NotFound, "Table " + tableName_ + ": row not found");
}

void TTable::AddIndex(const std::string& name, const std::string& fields, int options) {
    IndexDef def;
    def.name = name;
    def.expression = fields;
    def.primary = options & ixPrimary;
    def.unique = options & ixUnique;
    def.descending = options & ixDescending;
    def.caseInsensitive = options & ixCaseInsensitive;
    if (Active()) {
        CheckBrowseMode();
        engineCall([&] {
            file_->addIndex(def);
            indexes_ = file_->indexes();
        });
        return;
    }
    engineCall([&] { openShared(TablePath(), OpenOptions{true, false})->addIndex(def); });
}

Value TTable::Lookup(const std::string& keyFields, const Record& keyValues,
                     const std::string& resultField) {
    return engineCall([&] { return lookup(keyFields, keyValues, resultField); });
}

Value TTable::lookup(const std::string& keyFields, const Record& keyValues,
                     const std::string& resultField) {
    if (!Active())
        return Value();
    const FieldList& cols = columns();
    int result = findField(cols, resultField);
    if (result < 0)
        throw EngineError(code::NotFound, Name + ": field '" + resultField + "' not found");
    std::vector<int> keys;
    std::size_t start = 0;
    while (start <= keyFields.size()) {
        std::size_t end = keyFields.find(';', start);
        if (end == std::string::npos)
            end = keyFields.size();
        int field = findField(cols, trim(keyFields.substr(start, end - start)));
        if (field < 0)
            throw EngineError(code::NotFound, Name + ": field '" + keyFields + "' not found");
        keys.push_back(field);
        start = end + 1;
    }
    Record wanted(cols.size());
    for (std::size_t i = 0; i < keys.size() && i < keyValues.size(); ++i)
        wanted[keys[i]] = convertForField(keyValues[i], cols[keys[i]], nullptr);
    auto matches = [&](const Record& record) {
        for (int field : keys)
            if (!sameValue(record[field], wanted[field]))
                return false;
        return true;
    };

    Record record;
    const IndexInfo* index = activeIndex();
    bool indexServes = index && index->keyFields.size() >= keys.size();
    for (std::size_t i = 0; indexServes && i < keys.size(); ++i)
        indexServes = index->keyFields[i] == keys[i];
    if (indexServes) {
        auto cursor = file_->openIndex(indexName_);
        for (bool on = cursor->seek(file_->indexKey(indexName_, wanted)); on; on = cursor->next()) {
            record = file_->read(cursor->row());
            if (!matches(record) || !inRangeForward(cursor->key()))
                break;
            if (inRangeBackward(cursor->key()) && !file_->isDeleted(cursor->row()) &&
                (!filter_ || filter_->accepts(record)))
                return record[result];
        }
        return Value();
    }
    for (RowId row = 1; file_->stableRowIds() && row <= file_->rowCount(); ++row)
        if (visible(row, record) && matches(record))
            return record[result];
    if (!file_->stableRowIds()) {
        auto cursor = file_->openIndex("");
        for (bool on = cursor->first(); on; on = cursor->next())
            if (visible(cursor->row(), record) && matches(record))
                return record[result];
    }
    return Value();
}

} // namespace engine
