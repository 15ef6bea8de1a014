#include "engine/dbase/ChangeCounter.h"

#include <map>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace engine::dbase {

ChangeCounter::ChangeCounter(const std::filesystem::path& file) {
    // Keyed by device and inode: two paths to one file share a counter.
    static std::mutex mutex;
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<std::atomic<std::uint64_t>>> counters;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        counter_ = std::make_shared<std::atomic<std::uint64_t>>(0);
        return;
    }
    std::lock_guard lock(mutex);
    auto& slot = counters[{st.st_dev, st.st_ino}];
    counter_ = slot.lock();
    if (!counter_) {
        counter_ = std::make_shared<std::atomic<std::uint64_t>>(0);
        slot = counter_;
    }
}

} // namespace engine::dbase
