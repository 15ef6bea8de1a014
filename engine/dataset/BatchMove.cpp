#include "engine/dataset/BatchMove.h"

#include "engine/EngineError.h"
#include "engine/dataset/OpenTables.h"
#include "engine/dataset/Table.h"
#include "engine/dataset/ValueConversion.h"

#include <memory>

namespace engine {

namespace {

constexpr std::uint64_t ProgressRows = 4096;

std::shared_ptr<TableFile> fileOf(TTable& table, bool write) {
    if (table.Active() && table.tableFile()) {
        // Share the dataset's own handle: opening the file again would meet its lock.
        return openShared(table.TablePath(), OpenOptions{table.Exclusive, table.ReadOnly});
    }
    return openShared(table.TablePath(), OpenOptions{false, !write});
}

// Ends an append batch on every way out, so counts and indexes are right.
class AppendBatch {
public:
    explicit AppendBatch(TableFile& file) : file_(file) { file_.beginAppendBatch(); }
    ~AppendBatch() {
        if (finished_)
            return;
        try {
            file_.endAppendBatch();
        } catch (...) {
            // The error that ended the move is the one to report.
        }
    }
    void finish() {
        finished_ = true;
        file_.endAppendBatch();
    }

private:
    TableFile& file_;
    bool finished_ = false;
};

} // namespace

std::uint64_t TBatchMove::Execute() {
    if (!Source || !Destination)
        throw EngineError(code::InvalidParameter, "Batch move needs a source and a destination");
    MovedCount = 0;
    ProblemCount = 0;
    FieldProblems.clear();
    DroppedFields.clear();
    if (Destination->Active())
        Destination->CheckBrowseMode();

    auto source = fileOf(*Source, false);
    auto destination = fileOf(*Destination, true);
    const FieldList& from = source->fields();
    const FieldList& to = destination->fields();

    std::vector<int> pairing(to.size(), -1);
    for (std::size_t i = 0; i < to.size(); ++i)
        pairing[i] = findField(from, to[i].name);
    for (const FieldDef& field : from)
        if (findField(to, field.name) < 0)
            DroppedFields.push_back(field.name);

    auto cursor = source->stableRowIds() ? nullptr : source->openIndex("");
    std::uint64_t count = source->rowCount();
    Record row(to.size());
    std::vector<std::uint64_t> fieldProblems(to.size(), 0);
    {
        AppendBatch batch(*destination);
        auto moveRow = [&](RowId id) {
            if (source->isDeleted(id))
                return;
            Record values = source->read(id);
            std::uint64_t problems = 0;
            for (std::size_t i = 0; i < to.size(); ++i) {
                bool inexact = false;
                row[i] =
                    pairing[i] < 0 ? Value() : convertForField(values[pairing[i]], to[i], &inexact);
                problems += inexact;
                fieldProblems[i] += inexact;
            }
            if (problems && AbortOnProblem)
                throw EngineError(code::BadValue, "Batch move into " +
                                                      destination->path().string() +
                                                      ": a value of row " + std::to_string(id) +
                                                      " cannot be carried over exactly");
            ProblemCount += problems;
            destination->append(row);
            if (++MovedCount % ProgressRows == 0 && OnProgress)
                OnProgress(MovedCount);
        };
        auto copied = from == to ? destination->appendCopiesOf(*source) : std::nullopt;
        if (copied) {
            MovedCount = *copied; // one layout: rows copied as they are stored
        } else if (cursor) {
            for (bool on = cursor->first(); on; on = cursor->next())
                moveRow(cursor->row());
        } else {
            for (RowId id = 1; id <= count; ++id)
                moveRow(id);
        }
        batch.finish();
    }
    for (std::size_t i = 0; i < to.size(); ++i)
        if (fieldProblems[i])
            FieldProblems.emplace_back(to[i].name, fieldProblems[i]);
    if (Destination->Active())
        Destination->Refresh();
    return MovedCount;
}

} // namespace engine
