#include "engine/paradox/RunSorter.h"

#include "engine/paradox/WorkingMemory.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <queue>

namespace engine::paradox {

namespace {

constexpr std::size_t kStage = 64 * 1024; // bytes written to the scratch file at a time
constexpr std::size_t kPage = 4096;       // bytes of a run read for one lookup
constexpr std::size_t kFilterWords = (4u << 20) / 8;
constexpr int kProbes = 4;

} // namespace

RunSorter::RunSorter(std::size_t itemSize, std::size_t keyLength, std::filesystem::path dir,
                     Lookups lookups)
    : itemSize_(itemSize), keyLength_(keyLength),
      // Each item in memory also has its place in the sort order (and the sort's copy of it).
      runItems_(std::max<std::size_t>(2, workingMemory() / (itemSize + 8))),
      pageItems_(std::max<std::size_t>(1, kPage / itemSize)), dir_(std::move(dir)),
      lookups_(lookups == Lookups::Yes) {}

void RunSorter::add(const char* item) {
    if (gathered_.size() == runItems_ * itemSize_)
        spill();
    gathered_.append(item, itemSize_);
    ++count_;
}

std::vector<std::uint32_t> RunSorter::sortedOrder() const {
    std::vector<std::uint32_t> order(gathered_.size() / itemSize_);
    std::iota(order.begin(), order.end(), 0u);
    const char* base = gathered_.data();
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::memcmp(base + a * itemSize_, base + b * itemSize_, keyLength_) < 0;
    });
    return order;
}

void RunSorter::endRun() {
    if (!gathered_.empty())
        spill();
}

void RunSorter::spill() {
    if (!file_)
        file_.emplace(dir_);
    Run run{file_->size(), gathered_.size() / itemSize_, {}};
    std::string stage;
    stage.reserve(std::max(kStage, itemSize_));
    std::size_t at = 0;
    for (std::uint32_t i : sortedOrder()) {
        const char* item = gathered_.data() + i * itemSize_;
        if (lookups_) {
            if (at++ % pageItems_ == 0)
                run.pageKeys.append(item, keyLength_);
            remember(item);
        }
        stage.append(item, itemSize_);
        if (stage.size() + itemSize_ > stage.capacity()) {
            file_->append(stage.data(), stage.size());
            stage.clear();
        }
    }
    file_->append(stage.data(), stage.size());
    runs_.push_back(std::move(run));
    gathered_.clear();
}

// Two hashes of a key; probe i of the filter is the first plus i times the second.
std::pair<std::uint64_t, std::uint64_t> RunSorter::probes(std::string_view key) const {
    std::uint64_t h = std::hash<std::string_view>{}(key);
    return {h, (h * 0x9E3779B97F4A7C15ull >> 29 | 1)};
}

void RunSorter::remember(const char* item) {
    if (filter_.empty())
        filter_.assign(kFilterWords, 0);
    auto [h, step] = probes(std::string_view(item, keyLength_));
    for (int i = 0; i < kProbes; ++i, h += step) {
        std::uint64_t bit = h % (kFilterWords * 64);
        filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

bool RunSorter::holdsSpilled(std::string_view key) {
    if (runs_.empty())
        return false;
    auto [h, step] = probes(key);
    for (int i = 0; i < kProbes; ++i, h += step) {
        std::uint64_t bit = h % (kFilterWords * 64);
        if ((filter_[bit / 64] >> (bit % 64) & 1) == 0)
            return false;
    }
    return std::any_of(runs_.begin(), runs_.end(),
                       [&](const Run& run) { return runHolds(run, key); });
}

bool RunSorter::runHolds(const Run& run, std::string_view key) {
    // The last page whose first key is not above `key`.
    std::size_t pages = run.pageKeys.size() / keyLength_, lo = 0, hi = pages;
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (std::string_view(run.pageKeys.data() + mid * keyLength_, keyLength_) <= key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0)
        return false;
    std::uint64_t first = (lo - 1) * pageItems_;
    auto items = static_cast<std::size_t>(std::min<std::uint64_t>(pageItems_, run.items - first));
    page_.resize(items * itemSize_);
    file_->read(run.offset + first * itemSize_, page_.data(), page_.size());
    for (std::size_t i = 0; i < items; ++i)
        if (std::string_view(page_.data() + i * itemSize_, keyLength_) == key)
            return true;
    return false;
}

void RunSorter::forEach(const std::function<void(const char*)>& take) {
    if (runs_.empty()) {
        for (std::uint32_t i : sortedOrder())
            take(gathered_.data() + i * itemSize_);
        return;
    }
    if (!gathered_.empty())
        spill();
    std::string().swap(gathered_); // the merge reads the runs in buffers of its own
    merge(take);
}

void RunSorter::merge(const std::function<void(const char*)>& take) {
    struct Cursor {
        std::uint64_t next, left; // where the items not yet buffered start, and how many
        std::string buffer;
        std::size_t at = 0, held = 0;
    };
    std::size_t bufferItems = std::max<std::size_t>(1, workingMemory() / runs_.size() / itemSize_);
    std::vector<Cursor> cursors;
    cursors.reserve(runs_.size());
    for (const Run& run : runs_)
        cursors.push_back({run.offset, run.items, {}, 0, 0});
    auto refill = [&](Cursor& c) {
        c.held = static_cast<std::size_t>(std::min<std::uint64_t>(bufferItems, c.left));
        c.buffer.resize(c.held * itemSize_);
        file_->read(c.next, c.buffer.data(), c.buffer.size());
        c.next += c.buffer.size();
        c.left -= c.held;
        c.at = 0;
        return c.held > 0;
    };
    auto current = [&](std::size_t i) {
        return cursors[i].buffer.data() + cursors[i].at * itemSize_;
    };
    // The run whose item comes first on top; of equal keys the earlier run, so the order holds.
    auto after = [&](std::size_t a, std::size_t b) {
        int c = std::memcmp(current(a), current(b), keyLength_);
        return c > 0 || (c == 0 && a > b);
    };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(after)> heap(after);
    for (std::size_t i = 0; i < cursors.size(); ++i)
        if (refill(cursors[i]))
            heap.push(i);
    while (!heap.empty()) {
        std::size_t i = heap.top();
        heap.pop();
        take(current(i));
        Cursor& c = cursors[i];
        if (++c.at < c.held || refill(c))
            heap.push(i);
    }
}

} // namespace engine::paradox
