#pragma once

#include "engine/table/TableFile.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace engine::paradox {

// Paradox tables (.DB with .PX, .MB, .Xnn/.Ynn and .XGn/.YGn).
//
// RowId: the row's place, (file block number << 16) | (slot in the block + 1).
// Rows of a keyed table move when other rows are inserted or removed, so an
// id holds until changeCount() moves on; then find the row again by its key.
// Natural order ("") of a keyed table is primary-key order, so
// openIndex("") is the primary index and seeks by indexKey("", record).
// indexes() lists the primary key first, under the name "" (it has no name
// in the files), then the secondary indexes by their names.

// The Paradox format behind engine::openTable and friends.
std::unique_ptr<TableFile> openTable(const std::filesystem::path& path, const OpenOptions& options);
std::unique_ptr<TableFile> createTable(const std::filesystem::path& path, const FieldList& fields);
void deleteTable(const std::filesystem::path& path);
void renameTable(const std::filesystem::path& from, const std::filesystem::path& to);
// The files of the table that exist: the .DB and every companion of its name.
std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& table);

// Every reason why a Paradox table cannot have these fields (names, types,
// sizes, the field count, the record length); `blockKiB` as below.
DefinitionProblems fieldProblems(const FieldList& fields, int blockKiB = 0);

// Every reason why a Paradox table with `fields` cannot take `index` (key
// fields missing, blobs, given twice, a primary key that is not the leading
// fields or holds a logical field).
DefinitionProblems indexProblems(const FieldList& fields, const IndexDef& index);
// Why `keyFields` (field numbers from 0) cannot be the primary key of a
// table with `fields`; "" when they can.
std::string primaryKeyProblem(const FieldList& fields, const std::vector<int>& keyFields);

// Creates an empty unkeyed table. `blockKiB` 0 picks the block size from the
// record size (2 KiB unless a record needs more); 1..4 forces one.
std::unique_ptr<TableFile> createTableWithBlocks(const std::filesystem::path& path,
                                                 const FieldList& fields, int blockKiB);

} // namespace engine::paradox
