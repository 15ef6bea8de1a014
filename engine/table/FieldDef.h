#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// Physical field types of the two table formats. dBase tables use Character
// to Ole; Paradox tables use Character (alpha), Double (number), Date,
// Logical, Memo, Ole, Binary and the Paradox-only types.
enum class FieldType {
    Character,     // dBase C, Paradox A: text of a fixed width
    Numeric,       // dBase N: decimal text with a width and decimals
    Float,         // dBase F: as N
    Date,          // dBase D, Paradox D
    Logical,       // dBase L, Paradox L
    Memo,          // dBase M, Paradox M: text in the memo/blob file
    Binary,        // dBase B, Paradox B: bytes in the memo/blob file
    Ole,           // dBase G, Paradox O: OLE object bytes in the memo/blob file
    Double,        // Paradox N: 8-byte floating point
    Short,         // Paradox S: 16-bit integer
    Long,          // Paradox I: 32-bit integer
    AutoInc,       // Paradox +: 32-bit counter
    Currency,      // Paradox $: 8-byte floating point shown as money
    Time,          // Paradox T: milliseconds since midnight (read as an integer)
    Timestamp,     // Paradox @: milliseconds since 0001-01-01 (read as a number)
    Bcd,           // Paradox #: packed decimal (read as a number)
    Bytes,         // Paradox Y: fixed-size bytes in the record
    FormattedMemo, // Paradox F
    Graphic,       // Paradox G
};

struct FieldDef {
    std::string name; // upper case for dBase, as given for Paradox
    FieldType type = FieldType::Character;
    int length = 0;   // width in the record (dBase) or declared size (Paradox)
    int decimals = 0; // dBase N and F only

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

using FieldList = std::vector<FieldDef>;

// One reason why a table or index cannot be made as described. The checks
// that find them are those the create and the index build apply, so a
// caller can learn every reason before it writes anything.
struct DefinitionProblem {
    std::string subject; // the field or index concerned, "" for the table
    std::string text;    // what is wrong, naming the subject ("field CITY must be ...")
    std::uint16_t code;  // the engine code the create would fail with
};
using DefinitionProblems = std::vector<DefinitionProblem>;

// Case-insensitive lookup of a field by name; -1 when absent.
int findField(const FieldList& fields, std::string_view name);

// True for types whose values live in the memo or blob file.
bool isBlobType(FieldType type);

const char* fieldTypeName(FieldType type);

} // namespace engine
