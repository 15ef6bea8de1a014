#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>

namespace engine {

// The table files this program has open, one handle per file, shared by all
// datasets on it: a row stored through one dataset is what the others read,
// and the file's lock is taken once.
std::shared_ptr<TableFile> openShared(const std::filesystem::path& path,
                                      const OpenOptions& options);
// True while some dataset of this program holds the file open.
bool isOpenHere(const std::filesystem::path& path);

} // namespace engine
