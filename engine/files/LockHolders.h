#pragma once

#include <filesystem>
#include <string>

// Who holds a lock on `file`, for a message: "dicttool (process 4711)", or
// "this program" when the holder is this process, several separated by
// ", "; "another program" when the system does not say (no /proc/locks).
std::string lockHolders(const std::filesystem::path& file);
