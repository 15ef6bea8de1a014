#pragma once

// Finds, before anything is written, the rows that a unique or primary key
// would meet twice. Both calls read the source's live rows in record order,
// pair their fields by name with the destination's and convert them as the
// batch move does (convertForField), so they see the values the move would
// store.

#include "engine/table/TableFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

struct KeyClash {
    std::string index;       // the index's name ("" for a Paradox primary key)
    std::string key;         // the key's values as text, "; " between fields
    std::uint64_t sourceRow; // the source row's number in record order, from 1
    bool inTable;            // the key is in the destination already (else given twice)
};

struct KeyClashes {
    std::uint64_t count = 0;     // every clash found
    std::vector<KeyClash> first; // the first `keep` of them
    explicit operator bool() const { return count > 0; }
};

// The source rows whose key under one of `keys` (the unique and primary ones
// count; others are ignored) repeats the key of an earlier source row, for a
// new, empty table of `kind` and layout `fields` (a table the builder is about
// to make). dBase: the key expression is evaluated on the converted row, rows
// that fail the FOR condition left out (a unique tag leaves a repeated key's
// later rows out of the tag; the table keeps them). Paradox: the key
// (expression "F1;F2") is the values of its fields, and the table refuses a
// repeated primary key. Throws EngineError(BadExpression) for a key that
// does not suit `fields`.
KeyClashes findKeyClashes(TableFile& source, TableKind kind, const FieldList& fields,
                          const std::vector<IndexDef>& keys, std::size_t keep = 5);

// The source rows that `destination` would refuse for its primary key: a key
// already in the destination, or one given twice by the source.
KeyClashes findKeyClashes(TableFile& source, TableFile& destination, std::size_t keep = 5);

// The same check row by row, for rows that come from elsewhere (an import
// that reads its input once) and go in after their check.
class PrimaryKeyCheck {
public:
    explicit PrimaryKeyCheck(TableFile& destination);
    ~PrimaryKeyCheck();
    bool active() const; // false when the destination has no primary key
    // The clash of `row` (in the destination's layout, row `number` of the
    // input) with the table or with an earlier row given here; nothing when
    // its key is free, and the key is then counted as given.
    std::optional<KeyClash> take(const Record& row, std::uint64_t number);

private:
    struct Rules;
    std::unique_ptr<Rules> rules_;
};

} // namespace engine
