#pragma once

#include <filesystem>
#include <string>

namespace engine {

// The directory that a dataset's DatabaseName stands for: an alias of the
// engine configuration, a drive ("A:", "A:\ZET_BASE") or a directory path.
std::filesystem::path resolveLocation(const std::string& databaseName);

} // namespace engine
