#pragma once

#include "tableops/TableBuild.h"

#include <string>

class TDm_Vadem;

namespace operations {

// The directory of the reference tables on the removable disk.
inline const std::string ReferenceDirectory = "A:\\ZET_BASE";

// Appends every row of a reference table (in ReferenceDirectory) to the
// installation's table of the same name, columns paired by field name. All
// or nothing: an error while copying (a key violation, a damaged file)
// leaves the installation's table as it was before.
class TableCopy {
public:
    explicit TableCopy(TDm_Vadem& dataModule) : dm_(dataModule) {}

    // Told of the rows copied.
    RowProgress OnRows;
    // Rows whose primary key the table refuses are left out instead of
    // stopping the copy (the user agreed to lose them).
    bool SkipKeyClashes = false;

    // Returns what could not be carried over exactly.
    InexactValues run(const std::string& table, int tableKind);

private:
    TDm_Vadem& dm_;
};

} // namespace operations
