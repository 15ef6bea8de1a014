#include "engine/files/LockHolders.h"

#include <fstream>
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

} // namespace

std::string lockHolders(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return "another program";
    // A line of /proc/locks: "1: FLOCK  ADVISORY  READ 4711 08:01:1234 0 EOF";
    // the device is "major:minor" in hexadecimal, the inode in decimal.
    std::ostringstream id;
    id << std::hex << major(st.st_dev) << ':' << minor(st.st_dev) << ':' << std::dec << st.st_ino;
    std::set<long> pids;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream words(line);
        std::string number, kind, advisory, access, device;
        long pid = 0;
        if (!(words >> number >> kind) || kind == "->")
            continue; // a waiter, not a holder
        words >> advisory >> access >> pid >> device;
        // The device may be printed with leading zeros ("08:01").
        std::string major, minor, inode;
        std::istringstream parts(device);
        std::getline(parts, major, ':');
        std::getline(parts, minor, ':');
        std::getline(parts, inode);
        std::ostringstream normal;
        normal << std::hex << std::stoul("0" + major, nullptr, 16) << ':'
               << std::stoul("0" + minor, nullptr, 16) << ':' << inode;
        if (normal.str() == id.str() && pid > 0)
            pids.insert(pid);
    }
    std::string names;
    for (long pid : pids) {
        if (!names.empty())
            names += ", ";
        names += pid == ::getpid() ? std::string("this program")
                                   : programName(pid) + " (process " + std::to_string(pid) + ")";
    }
    return names.empty() ? "another program" : names;
}
