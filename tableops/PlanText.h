#pragma once

#include "tableops/TablePlan.h"

#include <string>

namespace operations {

// The box that refuses a run: every refusal on a line of its own
// ("CLIENTI: field CITY must be 1 to 254 characters wide"), after a line
// saying that nothing was changed.
std::string refusalText(const std::vector<Refusal>& refusals);

// One line per value that a run would lose: "CLIENTI: CITY dropped, 1,204
// values" or "... cut, 3 values".
std::vector<std::string> lossLines(const RunPlan& plan);

// The question asked before a run that loses values: the loss lines, what
// keeping the old tables means, and whether to go on.
std::string lossQuestion(const RunPlan& plan);

} // namespace operations
