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
// block of the top level.
//
// The cache keeps the file as written last (empty at first, or to write it
// whole): when the data file only changed counts or first keys of some
// blocks, just the index blocks above them are rewritten.
struct TreeCache {
    std::string image;
    std::vector<std::uint32_t> sums; // records under each index block
    void clear() {
        image.clear();
        sums.clear();
    }
};
void writeIndexTree(const std::filesystem::path& path, const TreeHeader& header, BlockFile& data,
                    TreeCache& cache);

// Walks the tree from its root and compares it with the data file's blocks;
// one line per fault.
std::vector<std::string> checkIndexTree(const std::filesystem::path& path, BlockFile& data,
                                        const std::string& label);

} // namespace engine::paradox
