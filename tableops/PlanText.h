#pragma once

#include "tableops/TablePlan.h"

#include <filesystem>
#include <string>
#include <vector>

namespace operations {

// The box that refuses a run: every refusal on a line of its own
// ("CLIENTI: field CITY must be 1 to 254 characters wide"), after a line
// saying that nothing was changed.
std::string refusalText(const std::vector<Refusal>& refusals);

// One loss: "CITY dropped, 1,204 values", "CITY cut, 3 values" or "2 rows
// refused by the primary key CODE (repeated keys: A1, B7)".
std::string lossText(const ValueLoss& loss);

// One line per value that a run would lose: "CLIENTI: CITY dropped, 1,204
// values" or "... cut, 3 values".
std::vector<std::string> lossLines(const RunPlan& plan);

// The question asked before a run that loses values: the loss lines, what
// keeping the old tables means (a build keeps them), and whether to go on.
std::string lossQuestion(const RunPlan& plan, bool keepsOldTables = true);

// Lines joined by newlines.
std::string joinLines(const std::vector<std::string>& lines);

// The folder beside the tables that keeps the old files of `table`, named
// with the table and the time: "BACKUP_CLIENTI_20261209_085512".
std::filesystem::path backupFolder(const std::filesystem::path& workDir, const std::string& table);

} // namespace operations
