#pragma once

#include "engine/table/TableFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace engine {

class TTable;

enum TBatchMode { batAppend };

// Appends every row of Source to Destination. Columns pair by field name, so
// a field inserted, dropped or moved between the two tables never shifts
// data into the wrong column. Values are converted with the least loss.
class TBatchMove {
public:
    TTable* Source = nullptr;
    TTable* Destination = nullptr;
    TBatchMode Mode = batAppend;
    bool AbortOnProblem = true;
    // A key violation in the destination stops the move with an engine error
    // (the rows moved before it stay).
    bool AbortOnKeyViol = true;

    // Runs the move; returns MovedCount. With AbortOnProblem on, a value that
    // cannot be carried over exactly stops the move with an engine error.
    std::uint64_t Execute();

    // Called now and then while rows move, with the rows moved so far.
    std::function<void(std::uint64_t moved)> OnProgress;

    std::uint64_t MovedCount = 0;
    // The rows of the source, deleted ones included, known once the move
    // has started (OnProgress counts towards it).
    std::uint64_t RowsToMove = 0;
    // Values that could not be carried over exactly (cut, rounded or blanked).
    std::uint64_t ProblemCount = 0;
    // The same per destination field, in field order; fields without a
    // problem are left out.
    std::vector<std::pair<std::string, std::uint64_t>> FieldProblems;
    // Source fields that the destination does not have (their values stay behind).
    std::vector<std::string> DroppedFields;

private:
    std::uint64_t execute();
    TableFile::AppendPlan plan(const std::vector<int>& pairing, const FieldList& from,
                               const FieldList& to, std::function<Value(RowId, int)> convert,
                               std::function<void(std::uint64_t)> progress) const;
};

} // namespace engine
