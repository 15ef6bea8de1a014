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
    enum class Mode { Read, ReadWrite, Create /* create or truncate */, CreateNew /* fail if exists */ };

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
    void sync();

private:
    void close() noexcept;

    std::filesystem::path path_;
    int fd_ = -1;
    bool writable_ = false;
};

} // namespace engine
