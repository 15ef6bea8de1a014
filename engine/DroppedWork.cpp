#include "engine/DroppedWork.h"

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
    std::lock_guard lock(mutex);
    try {
        if (handler) {
            handler(error);
            return;
        }
    } catch (...) {
        // A failing handler falls back to the standard error stream.
    }
    std::fprintf(stderr, "%s\n", error.what());
}

} // namespace engine
