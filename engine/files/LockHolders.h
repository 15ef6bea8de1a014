#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Who holds a lock on `file`, for a message: "dicttool (process 4711)", or
// "this program" when the holder is this process, several separated by
// ", "; "another program" when the system does not say (no /proc/locks).
std::string lockHolders(const std::filesystem::path& file);
// Who holds a lock covering byte `byte` of `file`, in the same words; locks
// of an open file (which /proc/locks shows without a process) are found
// through the holders' /proc/PID/fdinfo.
std::string lockHolders(const std::filesystem::path& file, std::uint64_t byte);
