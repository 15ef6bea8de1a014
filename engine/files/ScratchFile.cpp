#include "engine/files/ScratchFile.h"

#include "engine/base/EngineError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace engine {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw EngineError(code::IoError, "Cannot " + what + " a scratch file: " + std::strerror(errno));
}

int openNameless(const std::filesystem::path& dir) {
#ifdef O_TMPFILE
    int nameless = ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (nameless >= 0)
        return nameless;
#endif
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    std::string name = ((ec ? std::filesystem::path("/tmp") : temp) / "schedax-XXXXXX").string();
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        fail("make");
    ::unlink(name.c_str());
    return fd;
}

} // namespace

ScratchFile::ScratchFile(const std::filesystem::path& dir) : fd_(openNameless(dir)) {}

ScratchFile::~ScratchFile() {
    ::close(fd_);
}

std::uint64_t ScratchFile::append(const char* data, std::size_t size) {
    std::uint64_t at = size_;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("write");
        done += static_cast<std::size_t>(n);
    }
    size_ += size;
    return at;
}

void ScratchFile::read(std::uint64_t offset, char* data, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            fail("read");
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace engine
