#include "engine/paradox/IndexTree.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"

#include <algorithm>
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

struct Layout {
    std::size_t blockSize, keyLength, entrySize, perBlock, headerSize;
    std::vector<std::size_t> levelBlocks; // bottom up
    std::vector<std::size_t> levelFirst;  // first block number of each level
    std::size_t total = 0;                // blocks of every level
};

Layout layoutOf(const TreeHeader& h, const BlockFile& data, std::size_t headerSize) {
    Layout l;
    l.blockSize = static_cast<std::size_t>(data.blockSize());
    l.keyLength = static_cast<std::size_t>(h.keyLength);
    l.entrySize = l.keyLength + 6;
    l.perBlock = (l.blockSize - 6) / l.entrySize;
    l.headerSize = headerSize;
    std::size_t below = data.chain().size();
    do {
        l.levelBlocks.push_back(below == 0 ? 1 : (below + l.perBlock - 1) / l.perBlock);
        below = l.levelBlocks.back();
    } while (below > 1);
    // Numbered from the top, as other readers expect: the root is block 1,
    // then each level in turn, level 1 last.
    l.levelFirst.resize(l.levelBlocks.size());
    std::size_t first = 1;
    for (std::size_t level = l.levelBlocks.size(); level-- > 0;) {
        l.levelFirst[level] = first;
        first += l.levelBlocks[level];
    }
    l.total = first - 1;
    return l;
}

// Lays out index block `b` of `level` from the level below (the data
// file's chain for level 0) and records its sum.
void buildBlock(const Layout& l, const BlockFile& data, TreeCache& cache, std::size_t level,
                std::size_t b) {
    std::size_t entriesBelow = level == 0 ? data.chain().size() : l.levelBlocks[level - 1];
    std::size_t from = b * l.perBlock, to = std::min(entriesBelow, from + l.perBlock);
    std::size_t number = l.levelFirst[level] + b;
    char* block = cache.image.data() + l.headerSize + (number - 1) * l.blockSize;
    std::memset(block, 0, l.blockSize);
    // One chain through every block from the root down to level 1: other
    // readers read the index as a table of NumRecords entries along it.
    putU16(block, number < l.total ? number + 1 : 0);
    putU16(block + 2, number - 1);
    putU16(block + 4, static_cast<std::uint16_t>((static_cast<int>(to - from) - 1) *
                                                 static_cast<int>(l.entrySize)));
    std::uint32_t sum = 0;
    for (std::size_t e = from; e < to; ++e) {
        char* at = block + 6 + (e - from) * l.entrySize;
        std::uint32_t count;
        std::uint16_t child;
        if (level == 0) {
            const BlockFile::BlockInfo& info = data.chain()[e];
            std::memcpy(at, info.firstRaw.data(), l.keyLength);
            child = info.number;
            count = static_cast<std::uint32_t>(info.count);
        } else {
            std::size_t childNumber = l.levelFirst[level - 1] + e;
            std::memcpy(at, cache.image.data() + l.headerSize + (childNumber - 1) * l.blockSize + 6,
                        l.keyLength);
            child = static_cast<std::uint16_t>(childNumber);
            count = cache.sums[childNumber - 1];
        }
        putSortableU16(at + l.keyLength, child);
        putSortableU16(at + l.keyLength + 2,
                       static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0x7FFF)));
        putSortableU16(at + l.keyLength + 4, 0);
        sum += count;
    }
    cache.sums[number - 1] = sum;
}

} // namespace

void writeIndexTree(const std::filesystem::path& path, const TreeHeader& h, BlockFile& data,
                    TreeCache& cache) {
    BlockFile::Changes changes = data.takeChanges();
    std::error_code ec;
    bool exists = std::filesystem::exists(path, ec);
    bool whole = !exists || cache.image.empty() || changes.reshaped;
    if (!whole && changes.hi < changes.lo)
        return;
    std::string header = treeHeader(h, data.blockSize());
    Layout l = layoutOf(h, data, header.size());
    std::size_t total = l.total;
    if (total > 0xFFFF)
        throw EngineError(code::InvalidParameter,
                          "Index " + path.string() + " would need more than 65535 blocks");
    BinaryFile out(path, exists ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Create);
    if (!whole && out.size() == cache.image.size() &&
        cache.image.size() == header.size() + total * l.blockSize) {
        // Same shape: rebuild the blocks above the changed data blocks, level by level.
        std::size_t lo = static_cast<std::size_t>(changes.lo),
                    hi = static_cast<std::size_t>(changes.hi);
        for (std::size_t level = 0; level < l.levelBlocks.size(); ++level) {
            lo /= l.perBlock;
            hi = std::min(hi / l.perBlock, l.levelBlocks[level] - 1);
            for (std::size_t b = lo; b <= hi; ++b)
                buildBlock(l, data, cache, level, b);
            std::size_t first = l.headerSize + (l.levelFirst[level] + lo - 1) * l.blockSize;
            out.writeAt(first, cache.image.data() + first, (hi - lo + 1) * l.blockSize);
        }
        return;
    }
    cache.image = header;
    cache.image.resize(header.size() + total * l.blockSize, '\0');
    cache.sums.assign(total, 0);
    std::uint32_t entries = 0;
    for (std::size_t level = 0; level < l.levelBlocks.size(); ++level) {
        for (std::size_t b = 0; b < l.levelBlocks[level]; ++b)
            buildBlock(l, data, cache, level, b);
        entries +=
            static_cast<std::uint32_t>(level == 0 ? data.chain().size() : l.levelBlocks[level - 1]);
    }
    char* p = cache.image.data();
    auto blocks = static_cast<std::uint16_t>(total);
    putU32(p + hdr::NumRecords, entries);
    putU16(p + hdr::UsedBlocks, blocks);
    putU16(p + hdr::FileBlocks, blocks);
    putU16(p + hdr::FirstBlock, 1);
    putU16(p + hdr::LastBlock, blocks);
    putU16(p + hdr::MaxBlocks, blocks);
    putU16(p + hdr::IndexRoot, 1);
    p[hdr::Levels] = static_cast<char>(l.levelBlocks.size());
    out.writeAt(0, cache.image.data(), cache.image.size());
    if (out.size() > cache.image.size())
        out.truncate(cache.image.size());
}

namespace {

// The walk of one index file against the data file it indexes; each step
// adds its faults and says whether the later steps can still run.
class TreeCheck {
public:
    TreeCheck(const std::filesystem::path& path, BlockFile& data, const std::string& label)
        : file_(path, BinaryFile::Mode::Read), data_(data), label_(label) {}

    std::vector<std::string> run() {
        if (!readHeader())
            return faults_;
        Entry top;
        if (!walk(root_, levels_, top))
            return faults_;
        checkChain();
        checkLeaves();
        return faults_;
    }

private:
    void fault(const std::string& what) { faults_.push_back(label_ + ": " + what); }
    std::uint64_t blockAt(std::uint16_t number) const {
        return static_cast<std::uint64_t>(headerSize_) +
               std::uint64_t(number - 1) * static_cast<std::uint64_t>(blockSize_);
    }

    bool readHeader() {
        if (file_.readSome(0, h_, sizeof h_) != sizeof h_) {
            fault("the header is cut short");
            return false;
        }
        keyLength_ = data_.keyLength();
        entrySize_ = getU16(h_ + hdr::RecordSize);
        headerSize_ = getU16(h_ + hdr::HeaderSize);
        blockSize_ = static_cast<unsigned char>(h_[hdr::BlockKiB]) * 1024;
        fileBlocks_ = getU16(h_ + hdr::FileBlocks);
        root_ = getU16(h_ + hdr::IndexRoot);
        levels_ = static_cast<unsigned char>(h_[hdr::Levels]);
        if (entrySize_ != keyLength_ + 6)
            fault("entry size " + std::to_string(entrySize_) + " is not key length + 6");
        if (blockSize_ < 1024 || headerSize_ < hdr::DataHeader)
            fault("the header gives an impossible block or header size");
        if (!faults_.empty())
            return false;
        if (file_.size() != static_cast<std::uint64_t>(headerSize_) +
                                std::uint64_t{fileBlocks_} * static_cast<std::uint64_t>(blockSize_))
            fault("file size is not header + " + std::to_string(fileBlocks_) + " whole blocks");
        if (root_ == 0 || root_ > fileBlocks_ || levels_ == 0) {
            fault("the root block " + std::to_string(root_) + " lies past the end of its " +
                  std::to_string(fileBlocks_) + " blocks");
            return false;
        }
        return true;
    }

    // Walks the subtree of block `number`; `summary` gets its first key and
    // the sum of its counts.
    bool walk(std::uint16_t number, int level, Entry& summary) {
        if (number == 0 || number > fileBlocks_) {
            fault("level " + std::to_string(level) + " points to block " + std::to_string(number) +
                  " past the end of the file");
            return false;
        }
        if (!seen_.insert(number).second) {
            fault("block " + std::to_string(number) + " is reached twice");
            return false;
        }
        std::string mine(static_cast<std::size_t>(blockSize_), '\0');
        if (file_.readSome(blockAt(number), mine.data(), mine.size()) != mine.size()) {
            fault("block " + std::to_string(number) + " is cut short");
            return false;
        }
        int count = getI16(mine.data() + 4) / entrySize_ + 1;
        if (count < 0 || count > (blockSize_ - 6) / entrySize_) {
            fault("block " + std::to_string(number) + " gives an impossible entry count");
            return false;
        }
        summary.count = 0;
        std::string previous;
        for (int e = 0; e < count; ++e) {
            const char* at = mine.data() + 6 + e * entrySize_;
            Entry entry{std::string(at, static_cast<std::size_t>(keyLength_)),
                        getSortableU16(at + keyLength_), getSortableU16(at + keyLength_ + 2)};
            std::string key = data_.sortKey(at);
            if (e > 0 && key <= previous)
                fault("block " + std::to_string(number) + " entry " + std::to_string(e) +
                      " is out of key order");
            previous = key;
            if (e == 0)
                summary.key = entry.key;
            if (level == 1)
                leaves_.push_back(entry);
            else if (!checkChild(number, e, entry, level))
                return false;
            summary.count += entry.count;
        }
        return true;
    }

    // Entry `e` of upper block `number` against the subtree it points to.
    bool checkChild(std::uint16_t number, int e, const Entry& entry, int level) {
        Entry child;
        if (!walk(entry.block, level - 1, child))
            return false;
        if (child.key != entry.key)
            fault("block " + std::to_string(number) + " entry " + std::to_string(e) +
                  " does not carry the first key of block " + std::to_string(entry.block));
        if (child.count != entry.count && entry.count != 0x7FFF)
            fault("block " + std::to_string(number) + " entry " + std::to_string(e) + " counts " +
                  std::to_string(entry.count) + " records, its subtree holds " +
                  std::to_string(child.count));
        return true;
    }

    // Other readers take the index as a table: NumRecords entries along the
    // chain from the first block to the last, every block once.
    void checkChain() {
        std::uint32_t entries = 0, blocks = 0;
        std::uint16_t previous = 0, number = getU16(h_ + hdr::FirstBlock);
        if (levels_ > 1 && number != root_)
            fault("the chain starts at block " + std::to_string(number) +
                  ", not at the root block " + std::to_string(root_));
        std::set<std::uint16_t> chained;
        while (number != 0 && number <= fileBlocks_ && chained.insert(number).second) {
            char links[6];
            file_.readAt(blockAt(number), links, sizeof links);
            if (getU16(links + 2) != previous)
                fault("block " + std::to_string(number) + " names block " +
                      std::to_string(getU16(links + 2)) + " as its predecessor, not " +
                      std::to_string(previous));
            entries += static_cast<std::uint32_t>(getI16(links + 4) / entrySize_ + 1);
            ++blocks;
            previous = number;
            number = getU16(links);
        }
        if (number != 0)
            fault("the block chain runs into block " + std::to_string(number) +
                  " again or past the end");
        if (previous != getU16(h_ + hdr::LastBlock))
            fault("the block chain ends at block " + std::to_string(previous) +
                  ", the header says " + std::to_string(getU16(h_ + hdr::LastBlock)));
        if (blocks != seen_.size() ||
            !std::includes(chained.begin(), chained.end(), seen_.begin(), seen_.end()))
            fault("the block chain holds " + std::to_string(blocks) + " blocks, the tree " +
                  std::to_string(seen_.size()));
        if (entries != getU32(h_ + hdr::NumRecords))
            fault("the block chain holds " + std::to_string(entries) +
                  " entries, the header says " + std::to_string(getU32(h_ + hdr::NumRecords)));
    }

    // The level-1 entries against the data file's blocks.
    void checkLeaves() {
        const auto& chain = data_.chain();
        if (leaves_.size() != chain.size())
            fault("the tree has " + std::to_string(leaves_.size()) + " entries for " +
                  std::to_string(chain.size()) + " data blocks");
        std::uint64_t covered = 0;
        for (std::size_t i = 0; i < leaves_.size(); ++i)
            if (leaves_[i].block == 0 || leaves_[i].block > data_.fileBlocks())
                fault("entry " + std::to_string(i) + " points to data block " +
                      std::to_string(leaves_[i].block) + " past the end of the table");
        for (std::size_t i = 0; i < leaves_.size() && i < chain.size(); ++i) {
            if (leaves_[i].block != chain[i].number || leaves_[i].key != chain[i].firstRaw ||
                leaves_[i].count != static_cast<std::uint32_t>(chain[i].count))
                fault("entry " + std::to_string(i) + " does not match data block " +
                      std::to_string(chain[i].number) + " (its first key and count)");
            covered += leaves_[i].count;
        }
        if (covered != data_.recordCount())
            fault("the tree covers " + std::to_string(covered) + " of " +
                  std::to_string(data_.recordCount()) + " records");
    }

    BinaryFile file_;
    BlockFile& data_;
    const std::string& label_;
    std::vector<std::string> faults_;
    char h_[hdr::DataHeader] = {};
    int keyLength_ = 0, entrySize_ = 0, headerSize_ = 0, blockSize_ = 0, levels_ = 0;
    std::uint16_t fileBlocks_ = 0, root_ = 0;
    std::vector<Entry> leaves_;
    std::set<std::uint16_t> seen_;
};

} // namespace

std::vector<std::string> checkIndexTree(const std::filesystem::path& path, BlockFile& data,
                                        const std::string& label) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {label + ": the file " + path.filename().string() + " is missing"};
    return TreeCheck(path, data, label).run();
}

} // namespace engine::paradox
