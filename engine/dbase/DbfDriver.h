#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>

// The dBase format behind engine::openTable and friends.
namespace engine::dbase {

std::unique_ptr<TableFile> openTable(const std::filesystem::path& path, const OpenOptions& options);
std::unique_ptr<TableFile> createTable(const std::filesystem::path& path, const FieldList& fields);
void deleteTable(const std::filesystem::path& path);
void renameTable(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace engine::dbase
