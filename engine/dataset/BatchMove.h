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

// What a move did.
struct MoveReport {
    std::uint64_t MovedCount = 0;
    // Values that could not be carried over exactly (cut, rounded or blanked).
    std::uint64_t ProblemCount = 0;
    // The same per destination field, in field order; fields without a
    // problem are left out.
    std::vector<std::pair<std::string, std::uint64_t>> FieldProblems;
    // Source fields that the destination does not have (their values stay behind).
    std::vector<std::string> DroppedFields;
    // Rows left out because the destination's primary key refused them
    // (with skipKeyClashes only).
    std::uint64_t RefusedRows = 0;
};

struct MoveOptions {
    // A value that cannot be carried over exactly stops the move with an
    // engine error (BadValue).
    bool abortOnProblem = true;
    // Called now and then while rows move, with the rows moved so far.
    std::function<void(std::uint64_t moved)> progress = {};
    // Rows whose primary key the destination would refuse are left out and
    // counted instead of stopping the move (the caller has agreed to lose them).
    bool skipKeyClashes = false;
};

// The row move of the engine: appends every live row of `source` to
// `destination` in record order. Columns pair by field name (FieldPairing),
// so a field inserted, dropped or moved between the two tables never shifts
// data into the wrong column; values are converted by convertForField with
// the source field's decimals kept in a text. Before it writes anything it
// checks the destination's primary key against the incoming rows and stops
// with EngineError(KeyViolation) naming the first row it would refuse (or,
// with skipKeyClashes, leaves such rows out). A
// field whose type, width and decimals did not change is copied as stored.
// The rows go in one append batch: a move that stops stores none of them.
MoveReport moveRows(TableFile& source, TableFile& destination, const MoveOptions& options = {});

// moveRows between two datasets' tables, the datasets open or closed.
class TBatchMove {
public:
    TTable* Source = nullptr;
    TTable* Destination = nullptr;
    TBatchMode Mode = batAppend;
    bool AbortOnProblem = true;
    // As MoveOptions::skipKeyClashes.
    bool SkipKeyClashes = false;

    // Runs the move; returns MovedCount. With AbortOnProblem on, a value that
    // cannot be carried over exactly stops the move with an engine error.
    // A move that stops, for that or for a key the destination refuses,
    // leaves the destination as it was.
    std::uint64_t Execute();

    // Called now and then while rows move, with the rows moved so far.
    std::function<void(std::uint64_t moved)> OnProgress;

    // As in MoveReport, for the last Execute.
    std::uint64_t MovedCount = 0;
    // The rows of the source, deleted ones included, known once the move
    // has started (OnProgress counts towards it).
    std::uint64_t RowsToMove = 0;
    std::uint64_t ProblemCount = 0;
    std::vector<std::pair<std::string, std::uint64_t>> FieldProblems;
    std::vector<std::string> DroppedFields;
    std::uint64_t RefusedRows = 0;

private:
    std::uint64_t execute();
};

} // namespace engine
