#include "engine/config/EngineConfig.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace engine {

namespace fs = std::filesystem;

namespace {

// An environment variable; unset and empty are the same (as XDG wants).
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $xdgVariable/schedax, else ~/homeFallback/schedax.
fs::path xdgPlace(const char* xdgVariable, const char* homeFallback) {
    if (std::string base = environment(xdgVariable); !base.empty())
        return fs::path(base) / "schedax";
    return fs::path(environment("HOME")) / homeFallback / "schedax";
}

// Holds an exclusive flock on `path` (created when missing) while it lives.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const fs::path& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0)
            fail(path, "open");
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fail(path, "lock");
            }
        }
    }
    ~ExclusiveLock() { ::close(fd_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    [[noreturn]] static void fail(const fs::path& path, const char* what) {
        throw EngineError(code::IoError, "Cannot " + std::string(what) + " the lock file " +
                                             path.string() + ": " + std::strerror(errno));
    }
    int fd_ = -1;
};

} // namespace

fs::path engineConfigFile() {
    if (std::string path = environment("SCHEDAX_ENGINE_CONFIG"); !path.empty())
        return path;
    return xdgPlace("XDG_CONFIG_HOME", ".config") / "engine.conf";
}

fs::path systemDirectory() {
    std::string override = environment("SCHEDAX_SYSTEM_DIR");
    fs::path dir =
        override.empty() ? xdgPlace("XDG_DATA_HOME", ".local/share") : fs::path(override);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec))
        throw EngineError(code::BadPath, "Cannot create the system directory " + dir.string() +
                                             (ec ? ": " + ec.message() : ""));
    return dir;
}

IniFile readEngineConfig(const fs::path& file) {
    return engineBoundary(file.native(), [&]() -> IniFile {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            // The open's own error: a second look could find the file that
            // another program has just written, and fail a missing one.
            int err = errno;
            if (err == ENOENT)
                return {};
            throw EngineError(code::IoError, "Cannot read the engine configuration " +
                                                 file.string() + ": " + std::strerror(err));
        }
        std::ostringstream text;
        text << in.rdbuf();
        return IniFile::parse(text.str(), file.string());
    });
}

void changeEngineConfig(const fs::path& file, const std::function<bool(IniFile&)>& change) {
    engineBoundary(file.native(), [&] {
        std::error_code ec;
        if (file.has_parent_path())
            fs::create_directories(file.parent_path(), ec);
        fs::path lockFile = file;
        lockFile += ".lock";
        ExclusiveLock lock(lockFile);
        IniFile config = readEngineConfig(file);
        if (callerCode([&] { return change(config); }))
            writeFileAtomically(file, config.format());
    });
}

} // namespace engine
