#include "engine/dataset/BatchMove.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/dataset/FieldPairing.h"
#include "engine/dataset/KeyCheck.h"
#include "engine/dataset/OpenTables.h"
#include "engine/dataset/Table.h"
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

void refuseKeyClashes(TableFile& source, TableFile& destination) {
    KeyClashes clashes = findKeyClashes(source, destination, 1);
    if (!clashes)
        return;
    const KeyClash& first = clashes.first.front();
    throw EngineError(code::KeyViolation,
                      destination.path().string() + ": row " + std::to_string(first.sourceRow) +
                          " of " + source.path().string() + ": its primary key (" + first.key +
                          ") is " + (first.inTable ? "already in the table" : "given twice") +
                          "; " + std::to_string(clashes.count) + " rows clash, nothing was moved");
}

// Moves row by row, where the formats cannot follow a plan.
class RowMover {
public:
    RowMover(TableFile& source, TableFile& destination, const FieldPairing& pairing,
             const MoveOptions& options, MoveReport& report, std::vector<std::uint64_t>& problems)
        : source_(source), destination_(destination), pairing_(pairing), options_(options),
          report_(report), problems_(problems) {}

    // The value of one destination field from a source row.
    Value field(RowId id, int field) {
        bool inexact = false;
        Value value = pairing_.convert(
            source_.readField(id, pairing_.sourceOf()[static_cast<std::size_t>(field)]),
            static_cast<std::size_t>(field), &inexact);
        if (inexact)
            problem(id, static_cast<std::size_t>(field));
        return value;
    }

    // Every live row; with `keys`, the rows whose key it refuses are left out.
    void moveAll(PrimaryKeyCheck* keys) {
        auto cursor = source_.openIndex("");
        Record row;
        std::vector<std::uint64_t> none(problems_.size(), 0), found = none;
        std::uint64_t number = 0;
        for (bool on = cursor->first(); on; on = cursor->next()) {
            RowId id = cursor->row();
            if (source_.isDeleted(id))
                continue;
            found = none;
            pairing_.convert(source_.read(id), row, &found);
            if (keys && keys->take(row, ++number)) {
                ++report_.RefusedRows;
                continue;
            }
            for (std::size_t i = 0; i < found.size(); ++i)
                if (found[i])
                    problem(id, i);
            destination_.append(row);
            if (++report_.MovedCount % ProgressRows == 0 && options_.progress)
                options_.progress(report_.MovedCount);
        }
    }

private:
    void problem(RowId id, std::size_t field) {
        if (options_.abortOnProblem)
            throw EngineError(code::BadValue, "Batch move into " + destination_.path().string() +
                                                  ": a value of row " + std::to_string(id) +
                                                  " cannot be carried over exactly");
        ++report_.ProblemCount;
        ++problems_[field];
    }

    TableFile& source_;
    TableFile& destination_;
    const FieldPairing& pairing_;
    const MoveOptions& options_;
    MoveReport& report_;
    std::vector<std::uint64_t>& problems_;
};

} // namespace

MoveReport moveRows(TableFile& source, TableFile& destination, const MoveOptions& options) {
    const FieldList& from = source.fields();
    const FieldList& to = destination.fields();
    FieldPairing pairing(from, to);
    MoveReport report;
    report.DroppedFields = pairing.dropped();
    std::unique_ptr<PrimaryKeyCheck> keys;
    if (!options.skipKeyClashes)
        refuseKeyClashes(source, destination);
    else if (findKeyClashes(source, destination, 0))
        keys = std::make_unique<PrimaryKeyCheck>(destination); // row by row, to leave some out

    std::vector<std::uint64_t> problems(to.size(), 0);
    RowMover mover(source, destination, pairing, options, report, problems);
    AppendBatch batch(destination);
    std::optional<std::uint64_t> copied;
    if (!keys && from == to)
        copied = destination.appendCopiesOf(source, options.progress);
    if (!keys && !copied && source.stableRowIds()) {
        // The plan, made once: unchanged fields copied as stored, the others
        // converted, or left blank when the source has no such field.
        TableFile::AppendPlan plan;
        for (std::size_t i = 0; i < to.size(); ++i)
            plan.sameBytes.push_back(pairing.sourceOf()[i] < 0 ? TableFile::BlankField
                                     : pairing.sameField(i)    ? pairing.sourceOf()[i]
                                                               : TableFile::ConvertField);
        plan.convert = [&](RowId id, int field) { return mover.field(id, field); };
        plan.progress = options.progress;
        copied = destination.appendPlanned(source, plan);
    }
    if (copied)
        report.MovedCount = *copied;
    else
        mover.moveAll(keys.get());
    batch.finish();
    for (std::size_t i = 0; i < to.size(); ++i)
        if (problems[i])
            report.FieldProblems.emplace_back(to[i].name, problems[i]);
    return report;
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
    RefusedRows = 0;
    if (Destination->Active())
        callerCode([&] { Destination->CheckBrowseMode(); });

    auto source = fileOf(*Source, false);
    auto destination = fileOf(*Destination, true);
    RowsToMove = source->rowCount();
    MoveOptions options{AbortOnProblem, nullptr, SkipKeyClashes};
    if (OnProgress)
        options.progress = [this](std::uint64_t moved) { callerCode([&] { OnProgress(moved); }); };
    MoveReport report = moveRows(*source, *destination, options);
    MovedCount = report.MovedCount;
    ProblemCount = report.ProblemCount;
    FieldProblems = std::move(report.FieldProblems);
    DroppedFields = std::move(report.DroppedFields);
    RefusedRows = report.RefusedRows;
    if (Destination->Active())
        callerCode([&] { Destination->Refresh(); });
    return MovedCount;
}

} // namespace engine
