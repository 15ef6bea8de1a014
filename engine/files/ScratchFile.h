#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace engine {

// A file of working data that is not one of a table's files: sorted runs of
// an index build, bytes an undo journal keeps. It has no name, so it goes
// with the last descriptor, however the program ends. It is made in `dir`
// (beside the table, on the disk that holds it) or, where that cannot be,
// in the system's temporary directory. Its writes do not pass the fault
// seam: they are not writes of the table.
class ScratchFile {
public:
    explicit ScratchFile(const std::filesystem::path& dir);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    std::uint64_t size() const { return size_; }
    // Appends `size` bytes; returns where they went.
    std::uint64_t append(const char* data, std::size_t size);
    // Reads exactly `size` bytes at `offset` (written before).
    void read(std::uint64_t offset, char* data, std::size_t size) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace engine
