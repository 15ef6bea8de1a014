#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>
#include <vector>

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
// The files of a table that exist (the table file and its companions), to
// rename, remove or flush one by one.
std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& path);
// After a table's files were renamed one by one: writes its new name where
// a companion's header holds it (dBase memo and index files).
void nameCompanions(const std::filesystem::path& path);

// Every reason why a table of `kind` cannot be created with `fields`: the
// rules createTable applies (plain names, and the format's names, types,
// widths, decimals, field count and record length), all of them at once.
DefinitionProblems checkFields(TableKind kind, const FieldList& fields);
// Every reason why a table of `kind` with `fields` cannot take `indexes`:
// dBase tags' key expressions, FOR conditions and key widths, Paradox key
// fields and the primary key's rules.
DefinitionProblems checkIndexes(TableKind kind, const FieldList& fields,
                                const std::vector<IndexDef>& indexes);

} // namespace engine
