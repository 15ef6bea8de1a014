#include "engine/base/DroppedWork.h"

#include <cstdio>
#include <mutex>

namespace engine {

namespace {
std::mutex mutex;
DroppedWorkHandler handler;
} // namespace

void setDroppedWorkHandler(DroppedWorkHandler h) {
    std::lock_guard lock(mutex);
    handler = std::move(h);
}

void reportDroppedWork(const EngineError& error) noexcept {
    try {
        // The handler runs on a copy, outside the lock: it may show a modal box
        // during which another batch is dropped and reported.
        DroppedWorkHandler current;
        {
            std::lock_guard lock(mutex);
            current = handler;
        }
        if (current) {
            current(error);
            return;
        }
    } catch (...) {
        // A failing handler falls back to the standard error stream.
    }
    std::fprintf(stderr, "%s\n", error.what());
}

} // namespace engine
