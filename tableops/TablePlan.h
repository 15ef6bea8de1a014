#pragma once

#include "tableops/TableBuild.h"
#include "tableops/TableDefinition.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class TDm_Vadem;

namespace operations {

// A reason why a table of a run cannot be built or copied: the table, the
// field or index concerned ("" for the table itself) and what is wrong.
struct Refusal {
    std::string table;
    std::string subject;
    std::string reason;
};

// Values of one old field that a run would not carry over as they are, or
// (Refused) the rows that the new primary key would not take.
struct ValueLoss {
    enum Kind { Dropped, Cut, Refused };
    std::string field; // for Refused, the key's fields
    Kind kind = Dropped;
    std::uint64_t count = 0;           // values that are not empty, or rows
    std::vector<std::string> examples; // for Refused, the first keys refused
};

// What a build or a copy will do to one table, found before anything is
// written.
struct TablePlan {
    enum Action {
        Create,    // no table of that name yet: made empty
        Rebuild,   // the table is made anew and its rows carried over
        Finish,    // only the saved table of an earlier update is there: its rows go back
        CarryOver, // the table exists in the other format: carried into this one
        Append,    // (copy) the reference rows are appended to the table
    };

    std::string table;
    TableType type; // the format it is built in
    Action action = Create;
    std::filesystem::path source; // the table whose rows move; empty for Create
    TableType sourceType;         // the format of `source`
    engine::FieldList fields;     // the fields of the new table
    std::vector<engine::IndexDef> indexes;
    std::vector<std::string> added, dropped, changed; // field names
    std::vector<ValueLoss> losses;
    std::vector<Refusal> refusals;

    bool losesValues() const { return !losses.empty(); }
    // Whether rows of the source are left out for the new primary key.
    bool refusesRows() const;
    // Whether the old table's files are kept aside (values are lost).
    bool keepsOldTable() const { return losesValues() && !source.empty(); }
};

// The plan of a whole run: one TablePlan per table, in the order of the run.
struct RunPlan {
    std::vector<TablePlan> tables;

    bool refused() const;
    bool losesValues() const;
    std::vector<Refusal> refusals() const;
};

// Plans the builder's run over `names` with their type codes `types`
// (TMTBAS) in the tables' directory `workDir`. A table whose code is neither
// "0" nor "1" takes the format of the table before it in the run; the first
// table of a run with such a code is refused. Reads the dictionary and the
// existing tables; writes nothing.
RunPlan planBuild(TDm_Vadem& dataModule, const std::string& workDir,
                  const std::vector<std::string>& names, const std::vector<std::string>& types);

// Plans the copier's run: for each of `names` (type codes `types`, resolved
// as for planBuild), the reference table of that name in the reference
// directory and the installation's table it is appended to. Refused: a
// reference table missing, unreadable or damaged, an installation table
// missing, a reference table none of whose fields the installation's table
// has. Counted as losses: values of fields the installation's table lacks,
// values that would be cut, rows its primary key would refuse.
RunPlan planCopy(TDm_Vadem& dataModule, const std::vector<std::string>& names,
                 const std::vector<std::string>& types);

// The plan of one table from its dictionary rows, with its format resolved.
TablePlan planTable(const TableDefinition& definition, const TableType& type,
                    const std::filesystem::path& workDir);

// Pairs the fields of `plan.source` (open in `source`) with plan.fields by
// name and counts, reading every live row, the values that would be dropped
// or cut; fills added, dropped, changed and losses.
void countLosses(engine::TableFile& source, TablePlan& plan);

// The rows of `source` that the new table's primary key would refuse (a key
// given twice), added to plan.losses.
void countKeyClashes(engine::TableFile& source, TablePlan& plan);

// For a copy: the losses of appending `source` to `destination`.
void countCopyLosses(engine::TableFile& source, engine::TableFile& destination, TablePlan& plan);

// "1,204": digits in groups of three, whatever the locale.
std::string groupedCount(std::uint64_t count);

} // namespace operations
