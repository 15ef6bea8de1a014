#include "engine/files/LockHolders.h"

#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::string programName(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "a program" : name;
}

// One held lock as /proc/locks (or a "lock:" line of /proc/PID/fdinfo/FD)
// shows it: "1: FLOCK  ADVISORY  READ 4711 08:01:1234 0 EOF". The pid is -1
// for a lock of an open file rather than of a process.
struct HeldLock {
    std::string kind; // FLOCK (whole file), POSIX, OFDLCK
    long pid = 0;
    std::string file; // "major:minor:inode", major and minor in hexadecimal
    std::uint64_t start = 0, end = 0;
};

bool parseLock(const std::string& line, HeldLock& out) {
    std::istringstream words(line);
    std::string number, advisory, access, device, start, end;
    if (!(words >> number >> out.kind) || out.kind == "->")
        return false; // a waiter, not a holder
    if (!(words >> advisory >> access >> out.pid >> device >> start >> end))
        return false;
    // The device may be printed with leading zeros ("08:01").
    std::string major, minor, inode;
    std::istringstream parts(device);
    std::getline(parts, major, ':');
    std::getline(parts, minor, ':');
    std::getline(parts, inode);
    std::ostringstream normal;
    normal << std::hex << std::stoul("0" + major, nullptr, 16) << ':'
           << std::stoul("0" + minor, nullptr, 16) << ':' << inode;
    out.file = normal.str();
    out.start = std::stoull("0" + start);
    out.end = end == "EOF" ? UINT64_MAX : std::stoull("0" + end);
    return true;
}

bool fileId(const std::filesystem::path& file, std::string& id) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return false;
    std::ostringstream out;
    out << std::hex << major(st.st_dev) << ':' << minor(st.st_dev) << ':' << std::dec << st.st_ino;
    id = out.str();
    return true;
}

bool covers(const HeldLock& lock, const std::string& id, std::optional<std::uint64_t> byte) {
    // A whole-file lock (flock) says the file is open, not which bytes are held.
    return lock.file == id &&
           (!byte || (lock.kind != "FLOCK" && lock.start <= *byte && *byte <= lock.end));
}

// The processes with an open file that holds a lock on `id`: open-file
// locks name no process in /proc/locks, only in the holder's fdinfo.
void openFileHolders(const std::string& id, std::optional<std::uint64_t> byte,
                     std::set<long>& pids) {
    std::error_code ec;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
        std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code fdError;
        for (const auto& fd :
             std::filesystem::directory_iterator(process.path() / "fdinfo", fdError)) {
            std::ifstream info(fd.path());
            for (std::string line; std::getline(info, line);) {
                HeldLock lock;
                if (line.rfind("lock:", 0) == 0 && parseLock(line.substr(5), lock) &&
                    covers(lock, id, byte))
                    pids.insert(std::stol(name));
            }
        }
    }
}

std::string holders(const std::filesystem::path& file, std::optional<std::uint64_t> byte) {
    std::string id;
    if (!fileId(file, id))
        return "another program";
    std::set<long> pids;
    bool openFileLock = false;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        HeldLock lock;
        if (!parseLock(line, lock) || !covers(lock, id, byte))
            continue;
        if (lock.pid > 0)
            pids.insert(lock.pid);
        else
            openFileLock = true;
    }
    if (openFileLock)
        openFileHolders(id, byte, pids);
    std::string names;
    for (long pid : pids) {
        if (!names.empty())
            names += ", ";
        names += pid == ::getpid() ? std::string("this program")
                                   : programName(pid) + " (process " + std::to_string(pid) + ")";
    }
    return names.empty() ? "another program" : names;
}

} // namespace

std::string lockHolders(const std::filesystem::path& file) {
    return holders(file, std::nullopt);
}

std::string lockHolders(const std::filesystem::path& file, std::uint64_t byte) {
    return holders(file, byte);
}
