#include "engine/files/FileOps.h"

#include "engine/base/EngineError.h"
#include "engine/files/FaultSeam.h"

#include <string>
#include <system_error>

namespace engine {

namespace fs = std::filesystem;

namespace {

// "Cannot rename A to B: reason", "Cannot remove A: reason".
void failIf(const std::error_code& ec, const char* what, const fs::path& path,
            const fs::path& to = {}) {
    if (ec)
        throw EngineError(code::IoError, std::string("Cannot ") + what + " " + path.string() +
                                             (to.empty() ? "" : " to " + to.string()) + ": " +
                                             ec.message());
}

} // namespace

bool fileExists(const fs::path& path) {
    std::error_code ec;
    bool exists = fs::exists(path, ec);
    failIf(ec, "look at", path);
    return exists;
}

void removeFile(const fs::path& path) {
    faults::beforeFileOperation(path.string());
    std::error_code ec;
    fs::remove(path, ec);
    failIf(ec, "remove", path);
}

void renameFile(const fs::path& from, const fs::path& to) {
    faults::beforeFileOperation(from.string());
    std::error_code ec;
    fs::rename(from, to, ec);
    failIf(ec, "rename", from, to);
}

std::uint64_t fileSize(const fs::path& path) {
    std::error_code ec;
    std::uintmax_t size = fs::file_size(path, ec);
    failIf(ec, "read the size of", path);
    return size;
}

void copyFile(const fs::path& from, const fs::path& to) {
    faults::beforeFileOperation(to.string());
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    failIf(ec, "copy", from, to);
}

std::vector<fs::path> directoryEntries(const fs::path& dir) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    failIf(ec, "list the directory", dir);
    return entries;
}

bool sameDirectory(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    fs::path first = fs::weakly_canonical(a, ec);
    failIf(ec, "resolve", a);
    fs::path second = fs::weakly_canonical(b, ec);
    failIf(ec, "resolve", b);
    return first == second;
}

} // namespace engine
