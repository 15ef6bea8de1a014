#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace engine {

// File-system calls whose failures are EngineErrors that name the file
// (IoError with the system's message), never std::filesystem exceptions.

// True when `path` exists; false when it, or a directory on its way, does
// not. A path that cannot be looked at (no permission) is an error.
bool fileExists(const std::filesystem::path& path);
// Removes a file that exists; a file already gone is no error.
void removeFile(const std::filesystem::path& path);
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);
std::uint64_t fileSize(const std::filesystem::path& path);
// Copies `from` over `to`, replacing what `to` held.
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
// The entries of a directory; one that cannot be listed is an error, so
// that no companion file of a table goes unseen.
std::vector<std::filesystem::path> directoryEntries(const std::filesystem::path& dir);
// The same directory for both paths (links and ".." followed).
bool sameDirectory(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace engine
