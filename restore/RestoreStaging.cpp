#include "restore/RestoreStaging.h"

#include "engine/base/EngineError.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FileNames.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& file, int err) {
    throw engine::EngineError(engine::code::IoError,
                              "Cannot " + what + " " + file.string() + ": " + std::strerror(err));
}

} // namespace

RestoreStaging::RestoreStaging(const fs::path& dictionary)
    : dictionary_(dictionary), dir_(dictionary / (".restoring-" + std::to_string(::getpid()))) {
    std::error_code ec;
    fs::remove_all(dir_, ec); // left by an earlier run of this process id
    if (!fs::create_directory(dir_, ec))
        throw engine::EngineError(engine::code::IoError,
                                  "Cannot create " + dir_.string() + ": " + ec.message());
}

RestoreStaging::~RestoreStaging() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void RestoreStaging::copyIn(const fs::path& from, const std::string& name) {
    fs::path to = dir_ / name;
    {
        engine::BinaryFile in(from, engine::BinaryFile::Mode::Read);
        // A new file: created with the user's default mode, not the source's.
        engine::BinaryFile out(to, engine::BinaryFile::Mode::Create);
        std::vector<char> chunk(1 << 16);
        std::uint64_t offset = 0;
        while (std::size_t got = in.readSome(offset, chunk.data(), chunk.size())) {
            out.writeAt(offset, chunk.data(), got);
            offset += got;
        }
    }
    adoptMode(name);
}

void RestoreStaging::adoptMode(const std::string& name) {
    fs::path to = dir_ / name;
    struct stat local {};
    fs::path existing = engine::findFile(dictionary_, name);
    // The mode of a file the user may not read is what the restore mends:
    // its replacement gets the user's default.
    if (::stat(existing.c_str(), &local) == 0 && ::access(existing.c_str(), R_OK) == 0) {
        if (::chmod(to.c_str(), local.st_mode & 07777) != 0)
            fail("set the mode of", to, errno);
        // Only root may give a file away; for anyone else the owner is theirs already.
        [[maybe_unused]] int ignored = ::chown(to.c_str(), local.st_uid, local.st_gid);
    }
}

void RestoreStaging::keepAside(const std::string& name) {
    keptAside_.push_back(name);
}

void RestoreStaging::commit() {
    std::vector<fs::path> staged;
    for (const auto& entry : fs::directory_iterator(dir_))
        staged.push_back(entry.path());
    for (const fs::path& file : staged)
        engine::BinaryFile(file, engine::BinaryFile::Mode::Read).sync();
    engine::syncDirectory(dir_);
    for (const std::string& name : keptAside_) {
        fs::path old = engine::findFile(dictionary_, name);
        fs::path aside = old;
        aside += ".damaged";
        std::error_code ec;
        fs::remove(aside, ec);
        if (fs::exists(old, ec) && ::link(old.c_str(), aside.c_str()) != 0)
            fail("keep a copy of", old, errno);
    }
    for (const fs::path& file : staged) {
        fs::path target = engine::findFile(dictionary_, file.filename().string());
        if (::rename(file.c_str(), target.c_str()) != 0)
            fail("replace", target, errno);
    }
    engine::syncDirectory(dictionary_);
}
