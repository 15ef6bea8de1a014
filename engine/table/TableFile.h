#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// Identifies one row of an open table. dBase: the record number (1-based),
// valid for ever. Paradox: valid until the table's changeCount() moves on,
// after which a caller finds its row again through a key.
using RowId = std::uint64_t;
inline constexpr RowId NoRow = 0;

enum class TableKind { DBase, Paradox };

struct IndexDef {
    std::string name = {};         // dBase tag name; Paradox index name ("" for the primary key)
    std::string expression = {};   // dBase key expression; Paradox key fields "F1;F2"
    std::string forCondition = {}; // dBase FOR condition, "" for every record
    bool unique = false;
    bool descending = false;
    bool primary = false;         // Paradox: the primary key (leading fields)
    bool caseInsensitive = false; // Paradox secondary index
};

struct IndexInfo {
    IndexDef def;
    // The fields that the key is made of, in key order (field numbers from 0).
    std::vector<int> keyFields;
};

struct OpenOptions {
    bool exclusive = false;
    bool readOnly = false;
};

// A position in one order of a table's rows: an index, or the natural order.
// It stands before the first entry, on an entry, or after the last.
class IndexCursor {
public:
    virtual ~IndexCursor() = default;
    virtual bool first() = 0; // false when the order is empty
    virtual bool last() = 0;
    virtual bool next() = 0; // false when it moves past the last entry
    virtual bool prior() = 0;
    // Moves to the first entry whose key does not sort before `key`;
    // false (and after the last entry) when there is none.
    virtual bool seek(const std::string& key) = 0;
    // Moves to the entry of `row`; false (and after the last entry) when there
    // is none. Orders without keys (an unkeyed Paradox table) rely on it.
    virtual bool seekRow(RowId row) {
        for (bool on = first(); on; on = next())
            if (this->row() == row)
                return true;
        return false;
    }
    virtual const std::string& key() const = 0; // encoded key of the current entry
    virtual RowId row() const = 0;              // row of the current entry
};

// One open table file with its companions (memo file, indexes). Every write
// reaches the files at once, indexes included.
class TableFile {
public:
    virtual ~TableFile() = default;

    virtual TableKind kind() const = 0;
    virtual const std::filesystem::path& path() const = 0;
    virtual const FieldList& fields() const = 0;

    // Rows stored, deleted dBase records included.
    virtual std::uint64_t rowCount() const = 0;
    virtual Record read(RowId row) = 0;
    // One value of a row; formats override it where that is cheaper than read().
    virtual Value readField(RowId row, int field) { return read(row)[field]; }
    virtual bool isDeleted(RowId row) = 0; // dBase deletion flag; false for Paradox
    virtual RowId append(const Record& record) = 0;
    // Throws the error that storing `record` would throw for one of its
    // values (type, width, decimals, code page, a value the format cannot
    // tell from a blank), without writing anything.
    virtual void checkValues(const Record& record) = 0;
    // Returns the row's id after the change (a Paradox row may move).
    virtual RowId update(RowId row, const Record& record) = 0;
    virtual void remove(RowId row) = 0;

    // Appends a copy of every live row of `source` when both tables have the
    // same layout in the same format and the copy can be made byte for byte;
    // returns the number of rows, or nothing (and appends nothing) otherwise.
    virtual std::optional<std::uint64_t> appendCopiesOf(TableFile& source) {
        (void)source;
        return std::nullopt;
    }

    // How appendPlanned makes each destination record from a source row:
    // per destination field, the source field whose stored bytes it takes as
    // they are (same type, width and decimals), ConvertField for a value from
    // `convert` (source row, destination field), or BlankField.
    static constexpr int ConvertField = -1;
    static constexpr int BlankField = -2;
    struct AppendPlan {
        std::vector<int> sameBytes;
        std::function<Value(RowId row, int field)> convert;
        std::function<void(std::uint64_t appended)> progress; // now and then
    };
    // Appends every live row of `source`, a table of the same format, by the
    // plan; returns the number of rows, or nothing (and appends nothing) when
    // the format cannot follow the plan.
    virtual std::optional<std::uint64_t> appendPlanned(TableFile& source, const AppendPlan& plan) {
        (void)source;
        (void)plan;
        return std::nullopt;
    }

    // Between these two calls appends may be buffered (bulk loads); when
    // endAppendBatch returns the files are complete, counts and indexes right.
    virtual void beginAppendBatch() {}
    virtual void endAppendBatch() {}
    // Ends a batch dropping its rows: the files are as they were before it.
    // A write that fails inside a batch does the same by itself.
    virtual void cancelAppendBatch() {}

    // Moves on with every write through any handle of this process.
    virtual std::uint64_t changeCount() const = 0;
    virtual bool stableRowIds() const = 0;
    // Re-reads what another program may have changed (record count, header).
    virtual void refresh() = 0;

    virtual std::vector<IndexInfo> indexes() const = 0;
    // The natural order for "", else the index of that name (case-insensitive).
    virtual std::unique_ptr<IndexCursor> openIndex(const std::string& name) = 0;
    // The key of `record` in the index's encoding; fields the key does not
    // use are ignored, blank key fields give blank key parts.
    virtual std::string indexKey(const std::string& name, const Record& record) = 0;
    // Order of two keys in the index's order (negative, zero, positive).
    virtual int compareKeys(const std::string& name, const std::string& a,
                            const std::string& b) = 0;

    virtual void addIndex(const IndexDef& index) = 0;
    virtual void reindex() = 0;

    // Structural check of the files against each other: one line per fault.
    virtual std::vector<std::string> check() = 0;

    // What a caller should tell the user about the table as it was opened
    // (its text cannot be shown faithfully, so it stays read-only, ...).
    virtual std::vector<std::string> warnings() const { return {}; }
};

} // namespace engine
