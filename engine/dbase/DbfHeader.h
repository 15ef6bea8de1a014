#pragma once

#include "engine/files/BinaryFile.h"
#include "engine/table/FieldDef.h"
#include "engine/values/Date.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine::dbase {

inline constexpr std::uint8_t kVersionPlain = 0x03; // dBase III/IV, no memo
inline constexpr std::uint8_t kVersionMemo3 = 0x83; // dBase III with DBT
inline constexpr std::uint8_t kVersionMemo4 = 0x8B; // dBase IV with DBT
inline constexpr std::size_t kFixedHeaderSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::uint64_t kCountOffset = 4;
inline constexpr std::uint64_t kMdxFlagOffset = 28;
// Non-zero while a writer is in the middle of a write session.
inline constexpr std::uint64_t kIncompleteOffset = 14;
inline constexpr char kEndMarker = 0x1A;

// The 32-byte header and the field descriptors of a DBF file.
struct DbfHeader {
    std::uint8_t version = kVersionPlain;
    int year = 0, month = 0, day = 0; // last update
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0; // as stored: records start here
    std::uint16_t recordLength = 0; // deletion flag included
    bool productionIndex = false;   // byte 28
    std::uint8_t languageDriver = 0;
    FieldList fields;
    std::vector<int> offsets;         // of each field within a record
    std::vector<std::uint8_t> ownTag; // descriptor byte 31 per field

    bool hasMemoFile() const { return (version & 0x80) != 0; }
    bool dbase3Memos() const { return version == kVersionMemo3; }
};

// Reads and validates the header against the file's size. Throws
// EngineError: NotSupported for other xBase versions (dBase 7, FoxPro),
// FileCorrupt for a truncated header, a header length that does not match
// the descriptors, or a record count that points past the end of the file.
DbfHeader readDbfHeader(const BinaryFile& file);

// The header and descriptors of a new table, 0x0D terminator included.
DbfHeader newDbfHeader(const FieldList& fields, std::uint8_t languageDriver);
std::string encodeDbfHeader(const DbfHeader& header);

// Bytes 1..7 of the header: last-update date (year - 1900) and record count.
std::string encodeDateAndCount(Date date, std::uint32_t count);

// Checks a field list for a new dBase table and returns it normalised
// (upper-case names, fixed widths of D, L, M, B, G). Throws EngineError.
FieldList normaliseFields(const FieldList& fields, const std::string& table);

} // namespace engine::dbase
