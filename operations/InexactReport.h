#pragma once

#include "tableops/TableBuild.h"

#include <QString>

#include <vector>

namespace operations {

// "Values not carried over exactly:" and one line per table naming each
// field with its count ("CLIENTS: NAME 3, CITY 1"); empty when none.
QString inexactText(const std::vector<InexactValues>& tables);

// Shows that text in a message box when there is any.
void reportInexact(const std::vector<InexactValues>& tables);

} // namespace operations
