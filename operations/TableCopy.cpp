#include "operations/TableCopy.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/TableSnapshot.h"

namespace operations {

InexactValues TableCopy::run(const std::string& table, int tableKind) {
    engine::TTableType type = tableKind == 1 ? engine::ttParadox : engine::ttDBase;
    dm_.tmSrc.Close();
    dm_.tmSrc.SetDatabaseName(ReferenceDirectory);
    dm_.tmSrc.SetTableName(table);
    dm_.tmSrc.SetTableType(type);
    dm_.tmDst.Close();
    dm_.tmDst.SetTableName(table);
    dm_.tmDst.SetTableType(type);

    TableSnapshot before(dm_.tmDst.TablePath());
    try {
        dm_.tmCopy.Execute();
    } catch (...) {
        before.restore();
        throw;
    }
    return {table, dm_.tmCopy.FieldProblems};
}

} // namespace operations
