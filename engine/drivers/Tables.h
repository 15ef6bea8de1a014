#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>

namespace engine {

// ".DBF" (or no extension) is a dBase table, ".DB" a Paradox table.
TableKind tableKindOf(const std::filesystem::path& path);

// Opens a table file, found case-insensitively in its directory.
std::unique_ptr<TableFile> openTable(const std::filesystem::path& path,
                                     const OpenOptions& options = {});
// Creates an empty table; with `overwrite` an existing table and its
// companions are replaced, otherwise an existing table is an error.
std::unique_ptr<TableFile> createTable(const std::filesystem::path& path, const FieldList& fields,
                                       bool overwrite = false);
// Deletes a table with its companion files (memo, indexes).
void deleteTable(const std::filesystem::path& path);
// Renames a table with its companions; `to` is the new table file path.
void renameTable(const std::filesystem::path& from, const std::filesystem::path& to);
bool tableExists(const std::filesystem::path& path);

} // namespace engine
