#pragma once

#include "engine/files/BinaryFile.h"
#include "engine/paradox/Fields.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine::paradox {

// Offsets in the common header of .DB, .PX, .Xnn and .Ynn files.
namespace hdr {
inline constexpr int RecordSize = 0x00, HeaderSize = 0x02, FileType = 0x04, BlockKiB = 0x05,
                     NumRecords = 0x06, UsedBlocks = 0x0A, FileBlocks = 0x0C, FirstBlock = 0x0E,
                     LastBlock = 0x10, IndexFieldNumber = 0x15, IndexRoot = 0x1E, Modified = 0x14,
                     Levels = 0x20, NumFields = 0x21, KeyFields = 0x23, Encryption1 = 0x25,
                     SortOrder = 0x29, IndexValid = 0x2C, ChangeCount1 = 0x2D, ChangeCount2 = 0x2E,
                     Version = 0x39, MaxBlocks = 0x3A, DbMarker = 0x3E, AutoInc = 0x49,
                     FirstFreeBlock = 0x4D, RealHeaderSize = 0x51, CaseInsensitive = 0x57,
                     DataHeader = 0x58, Encryption2 = 0x5C, HiFieldId = 0x64, CodePage = 0x6A,
                     WriteCounter = 0x70, DataHeaderEnd = 0x78;
}
// File types of the header byte at 0x04.
namespace ftype {
inline constexpr std::uint8_t KeyedDb = 0, PrimaryIndex = 1, UnkeyedDb = 2, SecondaryX = 5,
                              SecondaryY = 4, NamedX = 8, NamedY = 7;
}

// Where a record sits: its block (file block number, 1-based) and slot.
struct Slot {
    std::uint16_t block = 0;
    int slot = 0;
};

// A file in the data layout of a Paradox table (.DB, or the .Xnn/.XGn of a
// secondary index): a header, then blocks chained in key order that hold
// fixed-size records. Keyed files compare records by their leading
// `keyLength` bytes, optionally upper-cased in some ranges; plain bytewise
// order is the order of the sortable field encodings.
class BlockFile {
public:
    struct KeyRule {
        int keyLength = 0;                           // 0 = unkeyed: records in the order they came
        std::vector<std::pair<int, int>> foldRanges; // offset, length within the key
        const CaseFold* fold = nullptr;
    };
    struct BlockInfo {
        std::uint16_t number = 0;
        int count = 0;
        std::string firstKey; // sort key of the block's first record
        std::string firstRaw; // its key bytes as stored
    };

    // Opens an existing file and reads its header (the chain is read by attach).
    BlockFile(const std::filesystem::path& path, bool writable);
    // Writes a new file with the header bytes given and no blocks.
    static BlockFile create(const std::filesystem::path& path, const std::string& header);
    BlockFile(BlockFile&&) = default;
    BlockFile& operator=(BlockFile&&) = default;

    // What changed in the chain since the last call: blocks came or went
    // (reshaped), or the count or first key of the blocks lo..hi changed.
    struct Changes {
        bool reshaped = false;
        int lo = 0, hi = -1;
    };
    Changes takeChanges();

    // Walks the block chain; throws EngineError(FileCorrupt) when it is broken.
    void attach(KeyRule rule);

    const std::filesystem::path& path() const { return file_.path(); }
    std::string& header() { return header_; }
    const std::string& header() const { return header_; }
    int recordSize() const { return recordSize_; }
    int blockSize() const { return blockSize_; }
    int keyLength() const { return rule_.keyLength; }
    int capacity() const { return (blockSize_ - 6) / recordSize_; }
    std::uint64_t recordCount() const { return records_; }
    std::uint16_t fileBlocks() const { return fileBlocks_; }
    const std::vector<BlockInfo>& chain() const { return chain_; }
    // Position of a file block in the chain; -1 when it holds no records.
    int chainIndexOf(std::uint16_t block) const;

    std::string sortKey(const char* record) const;
    // The record at `at`; valid until the next call on this file.
    const char* record(Slot at);
    const char* recordAt(int chainIndex, int slot);
    // First position whose key is not below `key` (keyed files): chain index and slot.
    std::pair<int, int> lowerBound(std::string_view key);
    // The slot of the record with exactly this key, or block 0.
    Slot find(std::string_view key);

    // Keyed: puts the record in key order (the caller has refused duplicates).
    // Unkeyed: appends it. Returns where it went.
    Slot insert(const char* record);
    void replace(Slot at, const char* record); // same key
    void remove(Slot at);
    // Appends records already in key order after every stored one, filling blocks.
    void appendRun(const char* records, std::size_t count);
    // Drops every block.
    void clear();

    // The header's "modified" byte: non-zero while a writer is in the middle
    // of a write session (other readers take it as "indexes need a rebuild").
    bool modified() const { return header_[hdr::Modified] != 0; }
    void setModified(bool on);
    // Writes the fixed part of the header (counts, chain ends).
    void writeHeader();
    void writeWholeHeader();
    std::vector<std::string> check(const std::string& label);

private:
    explicit BlockFile(BinaryFile file);
    void readHeader();
    std::uint64_t blockOffset(std::uint16_t block) const;
    char* load(std::uint16_t block);
    void store(int chainIndex, char* data);
    void storeHeaderOf(int chainIndex);
    void linkHeaders(char* data, int chainIndex) const;
    std::uint16_t newBlockNumber();
    void unlink(int chainIndex);
    void reindexChain(int from);
    void touched(int chainIndex);
    BlockInfo info(std::uint16_t number, int count, const char* first) const;
    void setFirst(BlockInfo& block, const char* first) const;
    [[noreturn]] void corrupt(const std::string& why) const;

    BinaryFile file_;
    std::string header_;
    int recordSize_ = 0;
    int blockSize_ = 0;
    std::uint16_t fileBlocks_ = 0;
    std::uint64_t records_ = 0;
    KeyRule rule_;
    std::vector<BlockInfo> chain_;
    std::vector<int> position_; // file block number -> chain index, -1 unused
    Changes changes_{true};
    std::uint16_t cached_ = 0;
    std::string cache_;
};

// Appends records already in key order to a file, a few dozen whole blocks
// at a time, so that a long run never sits in memory whole. The blocks come
// out as one appendRun of all the records would lay them out.
class RunWriter {
public:
    explicit RunWriter(BlockFile& file);
    void add(const char* record);
    // Writes what is staged; call it once the last record is added.
    void finish();

private:
    BlockFile& file_;
    std::size_t recordSize_, limit_, count_ = 0;
    std::string staged_;
};

} // namespace engine::paradox
