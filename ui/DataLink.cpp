#include "ui/DataLink.h"

#include "engine/dataset/DataSet.h"
#include "ui/Bookmark.h"

#include <algorithm>
#include <set>
#include <vector>

namespace ui {

struct DataLink::Listeners {
    struct Entry {
        int id;
        DataLink* link; // null for a window's own handler
        StateHandler onState;
        DataHandler onData;
    };
    std::vector<Entry> entries;
    int nextId = 1;

    int add(Entry entry) {
        entry.id = nextId++;
        entries.push_back(std::move(entry));
        return entry.id;
    }
    void remove(int id) {
        std::erase_if(entries, [id](const Entry& e) { return e.id == id; });
    }
};

namespace {

std::multiset<const engine::TDataSet*>& walkingSets() {
    static std::multiset<const engine::TDataSet*> sets;
    return sets;
}

bool silent(engine::TDataSource& source) {
    return isWalking(source.DataSet());
}

// The dispatcher installed in a data source's slots; it holds the listeners.
struct StateDispatcher {
    std::shared_ptr<DataLink::Listeners> listeners;
    void operator()(engine::TDataSource& source) const {
        if (silent(source))
            return;
        auto keep = listeners; // a handler may drop the last link
        for (const auto& entry : std::vector(keep->entries))
            if (entry.onState)
                entry.onState(source);
            else if (entry.link && entry.link->onState)
                entry.link->onState(source);
    }
};

struct DataDispatcher {
    std::shared_ptr<DataLink::Listeners> listeners;
    void operator()(engine::TDataSource& source, engine::TField* field) const {
        if (silent(source))
            return;
        auto keep = listeners;
        for (const auto& entry : std::vector(keep->entries))
            if (entry.onData)
                entry.onData(source, field);
            else if (entry.link && entry.link->onData)
                entry.link->onData(source, field);
    }
};

struct UpdateDispatcher {
    std::shared_ptr<DataLink::Listeners> listeners;
    void operator()(engine::TDataSource&) const {
        auto keep = listeners;
        for (const auto& entry : std::vector(keep->entries))
            if (entry.link && entry.link->onCommit)
                entry.link->onCommit();
    }
};

} // namespace

// Installed in a data source's OnDestroy: its links listen to nothing now.
struct GoneDispatcher {
    std::shared_ptr<DataLink::Listeners> listeners;
    void operator()(engine::TDataSource&) const {
        auto keep = listeners;
        for (const auto& entry : std::vector(keep->entries))
            if (entry.link)
                entry.link->sourceGone();
    }
};

namespace {

// The listeners of `source`, installing the dispatchers on first use (or
// again when someone assigned the slots since).
std::shared_ptr<DataLink::Listeners> listenersOf(engine::TDataSource& source) {
    auto* state = source.OnStateChange.target<StateDispatcher>();
    auto* data = source.OnDataChange.target<DataDispatcher>();
    if (state && data && state->listeners == data->listeners)
        return state->listeners;
    auto listeners = std::make_shared<DataLink::Listeners>();
    if (state)
        listeners = state->listeners;
    else if (data)
        listeners = data->listeners;
    // Handlers someone put in the slots directly stay, as first listeners.
    if (source.OnStateChange && !state)
        listeners->entries.insert(listeners->entries.begin(),
                                  {listeners->nextId++, nullptr, source.OnStateChange, {}});
    if (source.OnDataChange && !data)
        listeners->entries.insert(listeners->entries.begin(),
                                  {listeners->nextId++, nullptr, {}, source.OnDataChange});
    source.OnStateChange = StateDispatcher{listeners};
    source.OnDataChange = DataDispatcher{listeners};
    source.OnUpdateRecord = UpdateDispatcher{listeners};
    source.OnDestroy = GoneDispatcher{listeners};
    return listeners;
}

} // namespace

void DataLink::setSource(engine::TDataSource* source) {
    if (listeners_)
        listeners_->remove(id_);
    listeners_.reset();
    source_ = source;
    if (source_) {
        listeners_ = listenersOf(*source_);
        id_ = listeners_->add({0, this, {}, {}});
    }
}

void DataLink::sourceGone() {
    listeners_.reset();
    source_ = nullptr;
}

void onStateChange(engine::TDataSource& source, DataLink::StateHandler handler) {
    listenersOf(source)->add({0, nullptr, std::move(handler), {}});
}

void onDataChange(engine::TDataSource& source, DataLink::DataHandler handler) {
    listenersOf(source)->add({0, nullptr, {}, std::move(handler)});
}

void updateRecord(engine::TDataSource& source) {
    UpdateDispatcher{listenersOf(source)}(source);
}

bool isWalking(const engine::TDataSet* dataSet) {
    return dataSet && walkingSets().contains(dataSet);
}

Quiet::Quiet(engine::TDataSet& dataSet) : dataSet_(&dataSet) {
    walkingSets().insert(dataSet_);
}

Quiet::~Quiet() {
    auto& sets = walkingSets();
    sets.erase(sets.find(dataSet_));
}

void walkQuietly(engine::TDataSet& dataSet, const std::function<void()>& walk) {
    Bookmark mark(dataSet);
    try {
        Quiet quiet(dataSet);
        walk();
    } catch (...) {
        mark.restore();
        throw;
    }
    // Back on the row, loud again: the sources hear one change.
    mark.restore();
}

} // namespace ui
