#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
    Journaled,    // the journal names the update's files; nothing renamed yet
    Renamed,      // the old table is now the saved table "$$" + name
    Created,      // the new table exists, empty, without indexes
    IndexAdded,   // one more index of the dictionary is on the new table
    Moving,       // some of the saved rows are in the new table
    Moved,        // every saved row is in the new table, on the disk
    SavedDeleted, // the saved table is gone (or in its backup folder)
};

struct TablePlan;
struct UpdateJournal;

// Carries out the plan of one table (see TablePlan): the old table, when
// there is one, is renamed to "$$" + its name, the new one created with its
// indexes, the saved rows moved back by field name (each index built once,
// at the end of the move), the new table flushed to the disk, and the saved
// table removed, or moved into `backup` when one is given. An
// UpdateJournal beside the tables records each step, so that a run killed
// anywhere is finished or undone by recoverUpdates; a build that fails is
// undone on the spot and leaves the old table as it was.
class TableBuild {
public:
    explicit TableBuild(std::filesystem::path workDir);

    // Told of each step as it is reached (tests stop a build there).
    std::function<void(BuildStep)> OnStep;
    // Told of the rows moved back from the saved table.
    RowProgress OnRows;

    // Builds the table of `plan`; returns what the move could not carry
    // over exactly.
    InexactValues run(const TablePlan& plan, const std::filesystem::path& backup = {});

private:
    void step(BuildStep reached);
    InexactValues build(const TablePlan& plan, const UpdateJournal& journal);

    std::filesystem::path workDir_;
};

// The engine's field type code for a dictionary type letter ("C", "N", "D",
// "L", "M", "O") in a table of `tableKind`; 0 for any other letter.
int fieldTypeCode(const std::string& letter, int tableKind);

} // namespace operations
