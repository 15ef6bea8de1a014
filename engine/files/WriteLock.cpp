#include "engine/files/WriteLock.h"

#include "engine/base/EngineError.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace engine {

namespace {

constexpr off_t kLockByte = off_t{1} << 40; // never part of a table file
constexpr auto kPatience = std::chrono::seconds(3);

} // namespace

WriteLock::WriteLock(const std::filesystem::path& table) : path_(table) {
    fd_ = ::open(table.c_str(), O_RDWR | O_CLOEXEC);
}

WriteLock::~WriteLock() {
    if (fd_ >= 0)
        ::close(fd_);
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
    if (fd_ < 0 || depth_++ > 0)
        return;
    auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!set(F_WRLCK)) {
        if ((errno != EAGAIN && errno != EACCES) || std::chrono::steady_clock::now() > giveUp) {
            depth_ = 0;
            throw EngineError(code::Locked,
                              "Table " + path_.string() + " is being written by another program");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void WriteLock::release() {
    if (fd_ < 0 || depth_ == 0 || --depth_ > 0)
        return;
    set(F_UNLCK);
}

} // namespace engine
