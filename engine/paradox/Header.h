#pragma once

#include "engine/paradox/Fields.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine::paradox {

constexpr int kMaxFields = 255;

// The header of a file in the data layout (.DB, .Xnn, .XGn) as this code
// reads and writes it.
struct DataHeader {
    std::vector<PxField> fields;
    int keyFields = 0;
    std::uint8_t fileType = 0;
    std::uint8_t version = 0; // byte 0x39
    int blockSize = 2048;
    int codePage = 1252;
    std::uint8_t sortOrder = 0;
    std::string sortOrderName = "ascii";
    std::string tableName;
    std::vector<int> fieldNumbers; // 1-based; an index file's first entries name the indexed fields
    std::uint32_t autoInc = 1;
    // Secondary index files only.
    std::string indexName;
    std::uint8_t indexFieldNumber = 0;
    bool caseInsensitive = false;
};

// Version byte for a table with these fields: 4.x unless a type needs 5.x.
std::uint8_t versionFor(const std::vector<PxField>& fields);
std::string buildDataHeader(const DataHeader& header);
// Throws EngineError(FileCorrupt/NotSupported) naming `file`.
DataHeader parseDataHeader(const std::string& bytes, const std::string& file);
int keyLengthOf(const DataHeader& header);

} // namespace engine::paradox
