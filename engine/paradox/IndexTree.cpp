#include "engine/paradox/IndexTree.h"

#include "engine/EngineError.h"
#include "engine/paradox/Bytes.h"

#include <cstring>
#include <set>

namespace engine::paradox {

namespace {

constexpr int kHeaderSize = 0x800;
constexpr int kTableNameSize = 79;

struct Entry {
    std::string key;
    std::uint16_t block;
    std::uint32_t count;
};

std::string treeHeader(const TreeHeader& h, int blockSize) {
    std::string out(kHeaderSize, '\0');
    char* p = out.data();
    putU16(p + hdr::RecordSize, static_cast<std::uint32_t>(h.keyLength + 6));
    putU16(p + hdr::HeaderSize, kHeaderSize);
    p[hdr::FileType] = static_cast<char>(h.fileType);
    p[hdr::BlockKiB] = static_cast<char>(blockSize / 1024);
    putU16(p + hdr::NumFields, static_cast<std::uint32_t>(h.keyFields.size()));
    p[hdr::SortOrder] = static_cast<char>(h.sortOrder);
    p[hdr::IndexValid] = 102; // an index without it is taken for invalid
    p[hdr::Version] = static_cast<char>(h.version);
    std::size_t at = hdr::DataHeader;
    for (auto [code, size] : h.keyFields) {
        p[at++] = static_cast<char>(code);
        p[at++] = static_cast<char>(size);
    }
    at += 4; // table name pointer, meaningful only in memory
    std::memcpy(p + at, h.tableName.data(),
                std::min<std::size_t>(h.tableName.size(), kTableNameSize - 1));
    at += kTableNameSize;
    putU16(p + hdr::RealHeaderSize, static_cast<std::uint32_t>(at));
    return out;
}

} // namespace

void writeIndexTree(const std::filesystem::path& path, const TreeHeader& h, const BlockFile& data) {
    const int blockSize = data.blockSize();
    const int entrySize = h.keyLength + 6;
    const std::size_t perBlock = static_cast<std::size_t>((blockSize - 6) / entrySize);
    std::string header = treeHeader(h, blockSize);
    std::string blocks;
    std::vector<Entry> level;
    for (const BlockFile::BlockInfo& b : data.chain())
        level.push_back({b.firstRaw, b.number, static_cast<std::uint32_t>(b.count)});
    std::uint16_t next = 1;
    int levels = 0;
    std::uint32_t entries = 0;
    // Lay out one level after another, bottom up, until one block holds the rest.
    do {
        std::vector<Entry> upper;
        std::size_t nBlocks = level.empty() ? 1 : (level.size() + perBlock - 1) / perBlock;
        for (std::size_t b = 0; b < nBlocks; ++b) {
            std::string block(static_cast<std::size_t>(blockSize), '\0');
            std::size_t from = b * perBlock, to = std::min(level.size(), from + perBlock);
            auto number = static_cast<std::uint16_t>(next + b);
            putU16(block.data(), b + 1 < nBlocks ? number + 1 : 0);
            putU16(block.data() + 2, b > 0 ? number - 1 : 0);
            putU16(block.data() + 4,
                   static_cast<std::uint16_t>((static_cast<int>(to - from) - 1) * entrySize));
            std::uint32_t sum = 0;
            for (std::size_t e = from; e < to; ++e) {
                char* at = block.data() + 6 + (e - from) * static_cast<std::size_t>(entrySize);
                std::memcpy(at, level[e].key.data(), level[e].key.size());
                putSortableU16(at + h.keyLength, level[e].block);
                putSortableU16(
                    at + h.keyLength + 2,
                    static_cast<std::uint16_t>(std::min<std::uint32_t>(level[e].count, 0x7FFF)));
                putSortableU16(at + h.keyLength + 4, 0);
                sum += level[e].count;
            }
            entries += static_cast<std::uint32_t>(to - from);
            upper.push_back({from < to ? level[from].key : std::string(), number, sum});
            blocks += block;
        }
        next = static_cast<std::uint16_t>(next + nBlocks);
        ++levels;
        level = std::move(upper);
    } while (level.size() > 1);
    if (next - 1 > 0xFFFF)
        throw EngineError(code::InvalidParameter,
                          "Index " + path.string() + " would need more than 65535 blocks");
    char* p = header.data();
    auto total = static_cast<std::uint16_t>(next - 1);
    putU32(p + hdr::NumRecords, entries);
    putU16(p + hdr::UsedBlocks, total);
    putU16(p + hdr::FileBlocks, total);
    putU16(p + hdr::FirstBlock, 1);
    putU16(p + hdr::LastBlock, total);
    putU16(p + hdr::MaxBlocks, total);
    putU16(p + hdr::IndexRoot, total);
    p[hdr::Levels] = static_cast<char>(levels);
    std::string file = header + blocks;
    // Rewritten in place: cheaper than truncating and growing the file again.
    std::error_code ec;
    bool exists = std::filesystem::exists(path, ec);
    BinaryFile out(path, exists ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Create);
    out.writeAt(0, file.data(), file.size());
    if (out.size() > file.size())
        out.truncate(file.size());
}

std::vector<std::string> checkIndexTree(const std::filesystem::path& path, BlockFile& data,
                                        const std::string& label) {
    std::vector<std::string> faults;
    auto fault = [&](const std::string& what) { faults.push_back(label + ": " + what); };
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        fault("the file " + path.filename().string() + " is missing");
        return faults;
    }
    BinaryFile file(path, BinaryFile::Mode::Read);
    char h[hdr::DataHeader];
    if (file.readSome(0, h, sizeof h) != sizeof h) {
        fault("the header is cut short");
        return faults;
    }
    const int keyLength = data.keyLength();
    const int entrySize = getU16(h + hdr::RecordSize);
    const int headerSize = getU16(h + hdr::HeaderSize);
    const int blockSize = static_cast<unsigned char>(h[hdr::BlockKiB]) * 1024;
    const std::uint16_t fileBlocks = getU16(h + hdr::FileBlocks);
    const std::uint16_t root = getU16(h + hdr::IndexRoot);
    const int levels = static_cast<unsigned char>(h[hdr::Levels]);
    if (entrySize != keyLength + 6)
        fault("entry size " + std::to_string(entrySize) + " is not key length + 6");
    if (blockSize < 1024 || headerSize < hdr::DataHeader)
        fault("the header gives an impossible block or header size");
    if (!faults.empty())
        return faults;
    if (file.size() !=
        static_cast<std::uint64_t>(headerSize) + std::uint64_t{fileBlocks} * blockSize)
        fault("file size is not header + " + std::to_string(fileBlocks) + " whole blocks");
    if (root == 0 || root > fileBlocks || levels == 0) {
        fault("the root block " + std::to_string(root) + " lies past the end of its " +
              std::to_string(fileBlocks) + " blocks");
        return faults;
    }
    std::vector<Entry> leaves;
    std::set<std::uint16_t> seen;
    std::string block(static_cast<std::size_t>(blockSize), '\0');
    // Returns the block's first key and the sum of its counts.
    auto walk = [&](auto&& self, std::uint16_t number, int level, Entry& summary) -> bool {
        if (number == 0 || number > fileBlocks) {
            fault("level " + std::to_string(level) + " points to block " + std::to_string(number) +
                  " past the end of the file");
            return false;
        }
        if (!seen.insert(number).second) {
            fault("block " + std::to_string(number) + " is reached twice");
            return false;
        }
        std::string mine(static_cast<std::size_t>(blockSize), '\0');
        if (file.readSome(static_cast<std::uint64_t>(headerSize) +
                              std::uint64_t(number - 1) * blockSize,
                          mine.data(), mine.size()) != mine.size()) {
            fault("block " + std::to_string(number) + " is cut short");
            return false;
        }
        int count = getI16(mine.data() + 4) / entrySize + 1;
        if (count < 0 || count > (blockSize - 6) / entrySize) {
            fault("block " + std::to_string(number) + " gives an impossible entry count");
            return false;
        }
        summary.count = 0;
        std::string previous;
        for (int e = 0; e < count; ++e) {
            const char* at = mine.data() + 6 + e * entrySize;
            Entry entry{std::string(at, static_cast<std::size_t>(keyLength)),
                        getSortableU16(at + keyLength), getSortableU16(at + keyLength + 2)};
            std::string key = data.sortKey(at);
            if (e > 0 && key <= previous)
                fault("block " + std::to_string(number) + " entry " + std::to_string(e) +
                      " is out of key order");
            previous = key;
            if (e == 0)
                summary.key = entry.key;
            if (level == 1) {
                leaves.push_back(entry);
            } else {
                Entry child;
                if (!self(self, entry.block, level - 1, child))
                    return false;
                if (child.key != entry.key)
                    fault("block " + std::to_string(number) + " entry " + std::to_string(e) +
                          " does not carry the first key of block " + std::to_string(entry.block));
                if (child.count != entry.count && entry.count != 0x7FFF)
                    fault("block " + std::to_string(number) + " entry " + std::to_string(e) +
                          " counts " + std::to_string(entry.count) +
                          " records, its subtree holds " + std::to_string(child.count));
            }
            summary.count += entry.count;
        }
        return true;
    };
    Entry top;
    if (!walk(walk, root, levels, top))
        return faults;
    const auto& chain = data.chain();
    if (leaves.size() != chain.size())
        fault("the tree has " + std::to_string(leaves.size()) + " entries for " +
              std::to_string(chain.size()) + " data blocks");
    std::uint64_t covered = 0;
    for (std::size_t i = 0; i < leaves.size() && i < chain.size(); ++i) {
        if (leaves[i].block != chain[i].number || leaves[i].key != chain[i].firstRaw ||
            leaves[i].count != static_cast<std::uint32_t>(chain[i].count))
            fault("entry " + std::to_string(i) + " does not match data block " +
                  std::to_string(chain[i].number) + " (its first key and count)");
        covered += leaves[i].count;
    }
    if (covered != data.recordCount())
        fault("the tree covers " + std::to_string(covered) + " of " +
              std::to_string(data.recordCount()) + " records");
    (void)block;
    return faults;
}

} // namespace engine::paradox
