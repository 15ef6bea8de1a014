#pragma once

// A scratch directory for one fuzzing process and whole-file writes into it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "schedax-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] { std::filesystem::remove_all(scratchDir()); });
        return std::filesystem::path(pattern);
    }();
    return dir;
}

inline std::filesystem::path writeScratch(const std::string& name, const char* data,
                                          std::size_t size) {
    std::filesystem::path path = scratchDir() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(data, static_cast<std::streamsize>(size));
    return path;
}

} // namespace fuzz
