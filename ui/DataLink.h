#pragma once

#include "engine/dataset/DataSource.h"

#include <functional>
#include <memory>

namespace ui {

// Several listeners on one data source. A TDataSource has one OnStateChange
// and one OnDataChange slot; the first listener installs a dispatcher in both
// slots (keeping a handler already there as the first listener), and every
// control and window then listens through it. Windows that bind controls set
// their own handlers with onStateChange / onDataChange below, not by
// assigning the slots.
//
// While a dataset is walked by a control (walkQuietly), its sources tell
// nobody: the walk is not a move of the user's.
class DataLink {
public:
    using StateHandler = std::function<void(engine::TDataSource&)>;
    using DataHandler = std::function<void(engine::TDataSource&, engine::TField*)>;
    // Commits what a control shows but has not yet stored in its field.
    using CommitHandler = std::function<void()>;

    DataLink() = default;
    explicit DataLink(engine::TDataSource* source) { setSource(source); }
    ~DataLink() { setSource(nullptr); }
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    // Listens to `source` (nullptr: to nothing) with the handlers below.
    void setSource(engine::TDataSource* source);
    engine::TDataSource* source() const { return source_; }

    StateHandler onState;
    DataHandler onData;
    CommitHandler onCommit;

    struct Listeners;

private:
    friend struct GoneDispatcher;
    void sourceGone();

    engine::TDataSource* source_ = nullptr;
    std::shared_ptr<Listeners> listeners_;
    int id_ = 0;
};

// A window's own handlers on a data source that controls may share.
void onStateChange(engine::TDataSource& source, DataLink::StateHandler handler);
void onDataChange(engine::TDataSource& source, DataLink::DataHandler handler);

// Makes every control bound to `source` store the text it shows into its
// field (as leaving the control does); the first value a field refuses is
// raised as the engine's error. The dataset asks for this itself before it
// stores a pending row (Post, Insert, moves, Refresh).
void updateRecord(engine::TDataSource& source);

// Keeps the data sources of a dataset silent while it lives: moves made
// meanwhile are not the user's.
class Quiet {
public:
    explicit Quiet(engine::TDataSet& dataSet);
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    engine::TDataSet* dataSet_;
};

// Runs `walk` with the data sources of `dataSet` silent, then puts the
// dataset back on the row it stood on (tables only; other datasets stay
// where the walk left them) and tells the sources that the data changed.
void walkQuietly(engine::TDataSet& dataSet, const std::function<void()>& walk);
// True while walkQuietly runs over `dataSet`.
bool isWalking(const engine::TDataSet* dataSet);

} // namespace ui
