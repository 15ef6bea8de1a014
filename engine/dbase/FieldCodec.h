#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Codepage.h"
#include "engine/values/Value.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace engine::dbase {

// Encodings of C, N, F, D and L values inside a DBF record, and of the block
// pointers of M, B and G fields. Reading is lenient (what cannot be read is
// blank); writing refuses what does not fit.
Value decodeField(const FieldDef& field, std::string_view raw, const Codepage& codepage);

// Writes `value` into the field's `field.length` bytes at `out`. Throws
// EngineError(BadValue) naming `context` (table and field) when the value
// does not fit or has the wrong type, EngineError(CodePage) when a character
// is not in the table's code page.
void encodeField(const FieldDef& field, const Value& value, char* out, const Codepage& codepage,
                 const std::string& context);

// First DBT block of a memo value; 0 when blank.
std::uint32_t decodeBlockPointer(std::string_view raw);
void encodeBlockPointer(std::uint32_t block, char* out); // 0 writes blanks

// True when the bytes are a valid encoding of the field's type (for checks).
bool isWellFormed(const FieldDef& field, std::string_view raw);

} // namespace engine::dbase
