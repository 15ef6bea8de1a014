#pragma once

#include <filesystem>
#include <string>

namespace support {

// A new, empty directory under the system's temporary directory, removed
// with everything in it when the object goes.
class TempDir {
public:
    TempDir() : TempDir("schedax") {}
    explicit TempDir(const std::string& prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace support
