#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>
#include <vector>

// The dBase format behind engine::openTable and friends.
namespace engine::dbase {

std::unique_ptr<TableFile> openTable(const std::filesystem::path& path, const OpenOptions& options);
std::unique_ptr<TableFile> createTable(const std::filesystem::path& path, const FieldList& fields);
void deleteTable(const std::filesystem::path& path);
void renameTable(const std::filesystem::path& from, const std::filesystem::path& to);
// The table's files that exist: the DBF first, then its memo and index.
std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& path);
// Writes the table's name into the headers of its companions that hold it
// (after their files were renamed one by one).
void nameCompanions(const std::filesystem::path& path);

// Every reason why a dBase table cannot have these fields (names, types,
// widths, decimals, the field count and the record length); the create
// refuses the first of them.
DefinitionProblems fieldProblems(const FieldList& fields);
// Every reason why a dBase table with `fields` cannot take these tags in its
// production index (names, key expressions and FOR conditions, key widths).
DefinitionProblems indexProblems(const FieldList& fields, const std::vector<IndexDef>& tags);

} // namespace engine::dbase
