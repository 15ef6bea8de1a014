#include "tableops/TableCopy.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/EngineError.h"
#include "tableops/TableSnapshot.h"

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

    // A copy killed before its end leaves the table half copied and its
    // files as they were in a snapshot: copying again on top would mix the two.
    if (auto left = TableSnapshot::leftBehind(dm_.tmDst.TablePath()))
        throw engine::EngineError(
            engine::code::Interrupted,
            "Table " + dm_.tmDst.TablePath().string() +
                " holds an interrupted copy: its files as they were before it are in " +
                left->string() + ". Move them back over the table's files, or remove that " +
                "folder to keep the table as it is, then copy " + table + " again");
    TableSnapshot before(dm_.tmDst.TablePath());
    engine::TBatchMove& copy = dm_.tmCopy;
    copy.SkipKeyClashes = SkipKeyClashes;
    if (OnRows)
        copy.OnProgress = [this, &copy](std::uint64_t moved) { OnRows(moved, copy.RowsToMove); };
    try {
        copy.Execute();
    } catch (...) {
        copy.OnProgress = nullptr;
        before.restore();
        throw;
    }
    copy.OnProgress = nullptr;
    return {table, copy.FieldProblems};
}

} // namespace operations
