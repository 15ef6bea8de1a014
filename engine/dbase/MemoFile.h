#pragma once

#include "engine/files/BinaryFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace engine::dbase {

// A DBT memo file: block 0 is the header, values start at block boundaries.
// dBase IV values carry an 8-byte block header with their length; dBase III
// values end with 0x1A. New values are always appended at the end: space is
// never reused, so the header's next-free block is the first past the end.
class MemoFile {
public:
    static constexpr std::uint32_t kNewBlockSize = 512;

    MemoFile(const std::filesystem::path& path, BinaryFile::Mode mode, LockMode lock, bool dbase3);
    // Writes the header of an empty dBase IV memo file.
    static void create(const std::filesystem::path& path, const std::string& tableName);

    const std::filesystem::path& path() const { return file_.path(); }
    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t nextFree() const { return nextFree_; }

    // The value starting at `block`. Throws EngineError(FileCorrupt) naming
    // `context` when the block is past the end or its header is wrong.
    std::string read(std::uint32_t block, const std::string& context) const;
    // Why the value at `block` cannot be read, or nothing when it can.
    std::optional<std::string> fault(std::uint32_t block) const;

    // Appends a value and returns its first block. Inside a batch the blocks
    // are kept in memory until flush().
    std::uint32_t append(std::string_view data);
    void beginBatch() { batch_ = true; }
    void endBatch();
    // Writes buffered blocks, then the header's next-free block.
    void flush();
    // Re-reads the header after another program changed the file.
    void refresh();
    // Drops the buffered blocks and the batch, and re-reads the header.
    void discard();
    // Faults of the header against the file's size.
    std::optional<std::string> headerFault() const;

private:
    std::string readValue(std::uint32_t block) const;
    // Reads through a read-ahead window (memos of a scan lie close together);
    // false when the file ends first.
    bool readThrough(std::uint64_t offset, void* out, std::size_t size) const;
    void readHeader();

    BinaryFile file_;
    bool dbase3_;
    std::uint32_t blockSize_ = kNewBlockSize;
    std::uint32_t nextFree_ = 1;
    bool batch_ = false;
    std::string pending_;            // whole blocks not yet written
    std::uint32_t pendingStart_ = 0; // first block of pending_
    mutable std::string window_;     // bytes of the file from windowStart_
    mutable std::uint64_t windowStart_ = 0;
};

} // namespace engine::dbase
