#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Codepage.h"
#include "engine/values/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine::paradox {

// One field as it sits in a Paradox record: its file type code, the size
// byte of its descriptor and its place in the record.
struct PxField {
    FieldDef def;
    std::uint8_t code = 0; // type code in the field descriptor
    std::uint8_t sizeByte = 0;
    int width = 0;                            // bytes in the record
    int offset = 0;                           // from the start of the record
    int leader() const { return width - 10; } // blob fields: bytes kept in the record
};

// Descriptor of a field definition; throws EngineError(InvalidParameter) for
// a type or size a Paradox table cannot hold. `table` names the table.
PxField describeField(const FieldDef& def, const std::string& table);
// Why a Paradox table cannot hold a field like `def` (its name, type, size
// or decimals), or "" when it can; describeField refuses the same.
std::string fieldProblem(const FieldDef& def);
// Field of a descriptor read from a file; throws EngineError(FileCorrupt)
// for a type code or size that leaves the record's layout unknown.
PxField fieldFromDescriptor(std::uint8_t code, std::uint8_t size, const std::string& name,
                            const std::string& file);
// What no Paradox table has although its records can still be read: a blob
// leader or BCD decimals out of range, a field without a name or with the
// name of another. One line per fault, naming the field.
std::vector<std::string> descriptorFaults(const std::vector<PxField>& fields);
// Fills in the offsets; returns the record size.
int layOut(std::vector<PxField>& fields);

// True for the types that Paradox 4 tables do not know (they need level 5).
bool needsLevel5(FieldType type);
bool isBlobCode(std::uint8_t code);

// Encodes a non-blob value into `out` (field width bytes); a null value
// writes the blank (all zero). Throws EngineError(BadValue/CodePage) naming
// `table` and the field when the value does not fit.
void encodeValue(const PxField& field, const Value& value, const Codepage& page, char* out,
                 const std::string& table);
// Decodes a non-blob field; all-zero bytes give a null value.
Value decodeValue(const PxField& field, const Codepage& page, const char* in);

bool isBlank(const char* bytes, int width);

// Days since 31 December of year 0 (0001-01-01 is day 1).
std::int64_t paradoxDay(Date date);
Date dateFromParadoxDay(std::int64_t day);

// Upper-case folding of the bytes of one code page, for case-insensitive keys.
class CaseFold {
public:
    explicit CaseFold(const Codepage& page);
    void apply(char* bytes, std::size_t size) const;

private:
    unsigned char map_[256];
};

} // namespace engine::paradox
