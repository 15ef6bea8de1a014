#include "engine/dataset/BatchMove.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/dataset/OpenTables.h"
#include "engine/dataset/Table.h"
#include "engine/dataset/ValueConversion.h"
#include "engine/table/AppendBatch.h"

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

} // namespace

// The plan of a move between two layouts, made once: a field whose type,
// width and decimals did not change is copied as stored; the others are
// converted, or left blank when the source has no such field.
TableFile::AppendPlan TBatchMove::plan(const std::vector<int>& pairing, const FieldList& from,
                                       const FieldList& to,
                                       std::function<Value(RowId, int)> convert,
                                       std::function<void(std::uint64_t)> progress) const {
    TableFile::AppendPlan made;
    for (std::size_t i = 0; i < to.size(); ++i) {
        int j = pairing[i];
        if (j < 0)
            made.sameBytes.push_back(TableFile::BlankField);
        else if (from[j].type == to[i].type && from[j].length == to[i].length &&
                 from[j].decimals == to[i].decimals)
            made.sameBytes.push_back(j);
        else
            made.sameBytes.push_back(TableFile::ConvertField);
    }
    made.convert = std::move(convert);
    made.progress = std::move(progress);
    return made;
}

std::uint64_t TBatchMove::Execute() {
    return engineBoundary("batch move", [&] { return execute(); });
}

std::uint64_t TBatchMove::execute() {
    if (!Source || !Destination)
        throw EngineError(code::InvalidParameter, "Batch move needs a source and a destination");
    MovedCount = 0;
    RowsToMove = 0;
    ProblemCount = 0;
    FieldProblems.clear();
    DroppedFields.clear();
    if (Destination->Active())
        callerCode([&] { Destination->CheckBrowseMode(); });

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
    RowsToMove = count;
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
                callerCode([&] { OnProgress(MovedCount); });
        };
        std::function<void(std::uint64_t)> progress;
        if (OnProgress)
            progress = [this](std::uint64_t moved) { callerCode([&] { OnProgress(moved); }); };
        auto copied = from == to ? destination->appendCopiesOf(*source, progress) : std::nullopt;
        if (!copied && !cursor)
            copied = destination->appendPlanned(
                *source,
                plan(
                    pairing, from, to,
                    [&](RowId id, int field) {
                        bool inexact = false;
                        Value value = convertForField(source->readField(id, pairing[field]),
                                                      to[field], &inexact);
                        if (inexact && AbortOnProblem)
                            throw EngineError(code::BadValue,
                                              "Batch move into " + destination->path().string() +
                                                  ": a value of row " + std::to_string(id) +
                                                  " cannot be carried over exactly");
                        ProblemCount += inexact;
                        fieldProblems[field] += inexact;
                        return value;
                    },
                    progress));
        if (copied) {
            MovedCount = *copied; // rows copied as stored, or by the plan
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
        callerCode([&] { Destination->Refresh(); });
    return MovedCount;
}

} // namespace engine
