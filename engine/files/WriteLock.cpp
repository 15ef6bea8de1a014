#include "engine/files/WriteLock.h"

#include "engine/base/EngineError.h"
#include "engine/files/LockHolders.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace engine {

namespace {

constexpr off_t kLockByte = off_t{1} << 40; // never part of a table file
constexpr auto kPatience = std::chrono::seconds(3);

} // namespace

WriteLock::WriteLock(const std::filesystem::path& table) : path_(table) {}

WriteLock::~WriteLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

void WriteLock::open() {
    if (fd_ >= 0)
        return;
    int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    int err = errno;
    if (struct stat st{}; fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fd = -1;
        err = EISDIR;
    }
    if (fd < 0)
        throw EngineError(err == ENOENT ? code::FileNotFound : code::IoError,
                          "Table " + path_.string() +
                              " cannot be locked for writing: " + std::strerror(err));
    fd_ = fd;
}

bool WriteLock::set(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
#ifdef F_OFD_SETLK
    return ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
#else
    return ::fcntl(fd_, F_SETLK, &lock) == 0;
#endif
}

void WriteLock::acquire() {
    if (depth_ > 0) {
        ++depth_;
        return;
    }
    open();
    auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!set(F_WRLCK)) {
        int err = errno;
        if (err == EINTR)
            continue;
        if (err != EAGAIN && err != EACCES)
            throw EngineError(code::IoError,
                              "Table " + path_.string() +
                                  " cannot be locked for writing: " + std::strerror(err));
        if (std::chrono::steady_clock::now() > giveUp)
            throw EngineError(code::Locked, "Table " + path_.string() + " is being written by " +
                                                lockHolders(path_, kLockByte));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    depth_ = 1;
}

void WriteLock::release() {
    if (fd_ < 0 || depth_ == 0 || --depth_ > 0)
        return;
    set(F_UNLCK);
}

} // namespace engine
