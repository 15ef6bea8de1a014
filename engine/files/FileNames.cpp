#include "engine/files/FileNames.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FaultSeam.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace fs = std::filesystem;

void requirePlainName(std::string_view name, std::string_view what) {
    auto refuse = [&](const char* why) {
        throw EngineError(code::InvalidName,
                          std::string(what) + " \"" + std::string(name) + "\" " + why);
    };
    if (name.empty())
        refuse("is empty");
    if (name == "." || name == ".." || name.find("..") != std::string_view::npos)
        refuse("may not contain \"..\"");
    if (name.size() >= 2 && name[1] == ':')
        refuse("may not name a drive");
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c))
            refuse("contains a character that a file name cannot hold");
    }
}

fs::path tableInDirectory(const fs::path& dir, const std::string& name) {
    requirePlainName(name, "Table name");
    return dir / name;
}

fs::path findFile(const fs::path& dir, const std::string& name) {
    fs::path exact = dir / name;
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (equalsIgnoreCase(candidate, name))
            return it->path();
    }
    return exact;
}

fs::path companionFile(const fs::path& table, std::string_view ext) {
    std::string tableExt = table.extension().string();
    bool lower = !tableExt.empty() && tableExt[1] >= 'a' && tableExt[1] <= 'z';
    std::string wanted = table.stem().string() + (lower ? toLowerAscii(ext) : toUpperAscii(ext));
    return findFile(table.parent_path().empty() ? fs::path(".") : table.parent_path(), wanted);
}

namespace {

// The file that `path` names once symbolic links are followed; the path
// itself when it is not a link (or the link dangles: its target is created).
fs::path linkTarget(fs::path path) {
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(path, ec); ++hops) {
        fs::path target = fs::read_symlink(path, ec);
        if (ec)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

} // namespace

void writeFileAtomically(const fs::path& path, std::string_view bytes) {
    // A link keeps pointing at the file it shares: the new text goes there.
    fs::path target = linkTarget(path);
    fs::path temp = target;
    faults::beforeFileOperation(target.string());
    temp += ".tmp" + std::to_string(::getpid());
    auto fail = [&](const std::string& what, int err) {
        ::unlink(temp.c_str());
        throw EngineError(code::IoError, "Cannot write " + target.string() + ": " + what + ": " +
                                             std::strerror(err));
    };
    struct stat old {};
    bool replacing = ::stat(target.c_str(), &old) == 0;
    // A file its user may not write stays as it is, though its directory
    // would let a new file take its place.
    if (replacing && ::access(target.c_str(), W_OK) != 0)
        fail("it is write-protected", errno);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        fail("create", errno);
    if (replacing) {
        // The new file keeps the old one's mode and, where allowed, its owner.
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            int err = errno;
            ::close(fd);
            fail("set the mode", err);
        }
        [[maybe_unused]] int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            fail("write", err);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        fail("sync", err);
    }
    ::close(fd);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        fail("rename", errno);
    syncDirectory(target.parent_path());
}

} // namespace engine
