#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace engine {

enum class LockMode { None, Shared, Exclusive };

// A file read and written at explicit offsets. Errors are EngineErrors that
// name the file. The lock (flock) is held for as long as the object lives, so
// a second program cannot open the file against it.
class BinaryFile {
public:
    enum class Mode {
        Read,
        ReadWrite,
        Create /* create or truncate */,
        CreateNew /* fail if exists */
    };

    BinaryFile(const std::filesystem::path& path, Mode mode, LockMode lock = LockMode::None);
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    const std::filesystem::path& path() const { return path_; }
    bool writable() const { return writable_; }

    std::uint64_t size() const;
    // Reads exactly `size` bytes; throws EngineError(FileCorrupt) when the file ends first.
    void readAt(std::uint64_t offset, void* data, std::size_t size) const;
    // Reads up to `size` bytes; returns how many the file had.
    std::size_t readSome(std::uint64_t offset, void* data, std::size_t size) const;
    void writeAt(std::uint64_t offset, const void* data, std::size_t size);
    void truncate(std::uint64_t size);
    // Sets aside disk space for the file to grow to `size` without changing
    // its size (a hint: a file system that cannot is left as it is).
    // truncate() gives back what is set aside past the end.
    void reserve(std::uint64_t size) noexcept;
    // True when the path no longer names this file (renamed over, or gone).
    bool replacedOnDisk() const;
    // Flushes the file's data to the disk (fdatasync).
    void sync();
    // Has the disk start writing a range just written, without waiting, so
    // that a later sync() of a large file finds most of it written already.
    void startWriteback(std::uint64_t offset, std::size_t size) noexcept;

private:
    void close() noexcept;

    std::filesystem::path path_;
    int fd_ = -1;
    bool writable_ = false;
};

// Renames `from` over `to` once `from` is on disk, and flushes the
// directory: a crash leaves the old file or the new one. Inside a write
// session the old file is kept until the session ends, so that a failure
// puts it back.
void renameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a directory's entries to the disk, so that a rename or a new file
// in it survives a crash (after the files themselves are flushed).
void syncDirectory(const std::filesystem::path& dir);

} // namespace engine
