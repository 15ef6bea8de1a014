#pragma once

#include "engine/dataset/Database.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TDm_Vadem;

namespace operations {

// The physical type of the table in hand, set from its type code ("0"
// dBase, "1" Paradox); any other code keeps the type of the table before.
struct TableType {
    std::string DriverName; // "DBASE" or "PARADOX"
    std::string FileExt;    // ".DBF" or ".DB"
    int TableKind = 0;      // 0 dBase, 1 Paradox

    void setFromCode(const std::string& code);
};

// Values of one table that could not be carried over exactly, per field.
struct InexactValues {
    std::string table;
    std::vector<std::pair<std::string, std::uint64_t>> fields;
};

// Told now and then while rows move: the rows moved so far and the rows to move.
using RowProgress = std::function<void(std::uint64_t moved, std::uint64_t total)>;

// The points of a build at which the table's files are in a new state.
enum class BuildStep {
    Renamed,      // the old table is now the saved table "$$" + name
    Created,      // the new table exists, empty, without indexes
    IndexAdded,   // one more index of the dictionary is on the new table
    Moving,       // some of the saved rows are in the new table
    Moved,        // every saved row is in the new table
    SavedDeleted, // the saved table is gone
    Regenerated,  // the indexes are rebuilt
};

// Builds one physical table from its dictionary rows (the field rows of
// DbFld, the index rows of Index): the old table, when there is one, is
// renamed to "$$" + name, the new one created with its indexes, the saved
// rows moved back by field name, the saved table deleted and the indexes
// regenerated. The saved rows are never overwritten: a saved table found
// beside the table itself stops the build with an error naming both files.
class TableBuild {
public:
    TableBuild(TDm_Vadem& dataModule, std::string workDir);

    // Told of each step as it is reached (tests stop a build there).
    std::function<void(BuildStep)> OnStep;
    // Told of the rows moved back from the saved table.
    RowProgress OnRows;

    // Builds `table`; returns what the move could not carry over exactly.
    InexactValues run(const std::string& table, const TableType& type);

private:
    void selectRows(const std::string& table);
    std::vector<engine::FieldDescriptor> fieldDescriptors(const std::string& table,
                                                          const TableType& type);
    int addIndexes(const TableType& type);
    InexactValues moveSavedRows(const std::string& table, const TableType& type);
    void regenerate(const std::string& table, const TableType& type);
    bool exists(const std::string& file) const;
    void step(BuildStep reached);

    TDm_Vadem& dm_;
    std::string workDir_;
};

// The engine's field type code for a dictionary type letter ("C", "N", "D",
// "L", "M", "O") in a table of `tableKind`; 0 for any other letter.
int fieldTypeCode(const std::string& letter, int tableKind);

} // namespace operations
