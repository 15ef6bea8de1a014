#pragma once

#include "engine/files/BinaryFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace engine::paradox {

// Where a blob value went in the .MB: the locator and modification number
// that the record's blob field carries.
struct BlobRef {
    std::uint32_t locator = 0;
    std::uint16_t modification = 0;
};

// The .MB file of a table: 4 KiB blocks after a 4 KiB header block. A value
// of up to 2 KiB goes into a slot of a sub-allocated block (type 3, up to 64
// values in 16-byte chunks); a longer one gets blocks of its own (type 2).
// Freed space is marked free and not reused.
class BlobFile {
public:
    BlobFile(const std::filesystem::path& path, bool writable);
    static BlobFile create(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return file_.path(); }
    std::string read(std::uint32_t locator, std::uint32_t length);
    BlobRef write(const std::string& bytes);
    void release(std::uint32_t locator);
    // Faults of one stored reference, or "" when it reads.
    std::string verify(std::uint32_t locator, std::uint32_t length);

private:
    explicit BlobFile(BinaryFile file);
    std::uint16_t nextModification();
    std::uint64_t allocate(std::uint32_t blocks);
    [[noreturn]] void corrupt(const std::string& why) const;

    BinaryFile file_;
    std::uint64_t subBlock_ = 0; // the type 3 block that takes small values now
};

} // namespace engine::paradox
