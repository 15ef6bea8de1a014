#include "engine/FileNames.h"

#include "engine/EngineError.h"
#include "engine/Text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    fs::path temp = target;
    temp += ".tmp" + std::to_string(::getpid());
    auto fail = [&](const std::string& what) {
        int err = errno;
        ::unlink(temp.c_str());
        throw EngineError(code::IoError, "Cannot write " + target.string() + ": " + what + ": " +
                                             std::strerror(err));
    };
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create");
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            fail("write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("sync");
    }
    ::close(fd);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        fail("rename");
}

} // namespace engine
