#pragma once

#include "engine/paradox/BlockFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace engine::paradox {

// What the header of a .PX (or of the .Ynn/.YGn of a secondary index) says
// besides the tree itself: the key fields and the table's settings.
struct TreeHeader {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> keyFields; // type code, size byte
    int keyLength = 0;
    std::uint8_t fileType = ftype::PrimaryIndex;
    std::uint8_t version = 0;
    std::uint8_t sortOrder = 0;
    std::string tableName;
};

// Entries of index blocks: the key, then block number, count and a zero,
// each 16 bits in the sortable encoding. One level-1 entry per data block
// (its first key and record count); each upper entry stands for one index
// block below it (its first key, the sum of its counts). The root is the one
// block of the top level. `written` holds the image written last time (empty
// at first); only the blocks that changed are written again.
void writeIndexTree(const std::filesystem::path& path, const TreeHeader& header,
                    const BlockFile& data, std::string& written);

// Walks the tree from its root and compares it with the data file's blocks;
// one line per fault.
std::vector<std::string> checkIndexTree(const std::filesystem::path& path, BlockFile& data,
                                        const std::string& label);

} // namespace engine::paradox
