#include "engine/files/BinaryFile.h"

#include "engine/base/EngineError.h"
#include "engine/files/FaultSeam.h"
#include "engine/files/LockHolders.h"
#include "engine/files/UndoJournal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, const char* what) {
    int err = errno;
    std::uint16_t c = (err == ENOENT) ? code::FileNotFound : code::IoError;
    throw EngineError(c, std::string("Cannot ") + what + " " + path.string() + ": " +
                             std::strerror(err));
}

} // namespace

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode, LockMode lock) : path_(path) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::ReadWrite:
        flags |= O_RDWR;
        break;
    case Mode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    writable_ = mode != Mode::Read;
    // Take the lock before truncating, so a file in use elsewhere is never emptied.
    int openFlags = flags & ~O_TRUNC;
    if (flags & O_CREAT)
        faults::beforeFileOperation(path.string());
    fd_ = ::open(path.c_str(), openFlags, 0644);
    if (fd_ < 0)
        fail(path, "open");
    // A directory opens for reading; it is no file of a table.
    if (struct stat st{}; ::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        close();
        errno = EISDIR;
        fail(path, "open");
    }
    if (lock != LockMode::None) {
        int op = (lock == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
        if (::flock(fd_, op) != 0) {
            int err = errno;
            close();
            if (err == EWOULDBLOCK)
                throw EngineError(code::Locked,
                                  "Table " + path.string() + " is in use by " + lockHolders(path));
            errno = err;
            fail(path, "lock");
        }
    }
    if (flags & O_TRUNC) {
        try {
            faults::beforeWrite(path_.string());
            if (UndoJournal* journal = UndoJournal::claiming(path_))
                journal->beforeTruncate(fd_, 0);
        } catch (...) {
            close();
            throw;
        }
        if (::ftruncate(fd_, 0) != 0) {
            int err = errno;
            close();
            errno = err;
            fail(path, "truncate");
        }
    }
}

BinaryFile::~BinaryFile() {
    close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), writable_(other.writable_) {
    other.fd_ = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = other.fd_;
        writable_ = other.writable_;
        other.fd_ = -1;
    }
    return *this;
}

void BinaryFile::close() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::uint64_t BinaryFile::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail(path_, "stat");
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t BinaryFile::readSome(std::uint64_t offset, void* data, std::size_t size) const {
    std::size_t done = 0;
    auto* out = static_cast<char*>(data);
    while (done < size) {
        ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(path_, "read");
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void BinaryFile::readAt(std::uint64_t offset, void* data, std::size_t size) const {
    if (readSome(offset, data, size) != size)
        throw EngineError(code::FileCorrupt, "File " + path_.string() + " ends before offset " +
                                                 std::to_string(offset + size) +
                                                 ": it is truncated or damaged");
}

void BinaryFile::writeAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (!writable_)
        throw EngineError(code::ReadOnly, "File " + path_.string() + " is open read-only");
    faults::beforeWrite(path_.string());
    if (UndoJournal* journal = UndoJournal::claiming(path_))
        journal->beforeWrite(fd_, offset, size);
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(data);
    while (done < size) {
        ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(path_, "write");
        }
        done += static_cast<std::size_t>(n);
    }
}

bool BinaryFile::replacedOnDisk() const {
    struct stat open {
    }, named{};
    if (::fstat(fd_, &open) != 0 || ::stat(path_.c_str(), &named) != 0)
        return true;
    return open.st_dev != named.st_dev || open.st_ino != named.st_ino;
}

void BinaryFile::truncate(std::uint64_t size) {
    faults::beforeWrite(path_.string());
    if (UndoJournal* journal = UndoJournal::claiming(path_))
        journal->beforeTruncate(fd_, size);
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        fail(path_, "truncate");
}

void BinaryFile::sync() {
    faults::beforeFileOperation(path_.string());
    if (::fdatasync(fd_) != 0)
        fail(path_, "sync");
}

void BinaryFile::reserve(std::uint64_t size) noexcept {
    [[maybe_unused]] int ignored =
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
}

void BinaryFile::startWriteback(std::uint64_t offset, std::size_t size) noexcept {
    // Only a hint: an error of the writes themselves is for sync() to report.
    [[maybe_unused]] int ignored = ::sync_file_range(
        fd_, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
}

void renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    BinaryFile(from, BinaryFile::Mode::ReadWrite).sync();
    faults::beforeWrite(to.string());
    faults::beforeFileOperation(to.string());
    if (UndoJournal* journal = UndoJournal::claiming(to))
        journal->beforeReplace(to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        fail(to, "replace");
    syncDirectory(to.parent_path());
}

void syncDirectory(const std::filesystem::path& dir) {
    faults::beforeFileOperation(dir.string());
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(dir, "open directory");
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    if (rc != 0) {
        errno = err;
        fail(dir, "flush directory");
    }
}

} // namespace engine
