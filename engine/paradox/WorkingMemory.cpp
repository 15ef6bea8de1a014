#include "engine/paradox/WorkingMemory.h"

#include <atomic>

namespace engine::paradox {

namespace {

constexpr std::size_t kDefault = 8u << 20;
std::atomic<std::size_t> limit{kDefault};

} // namespace

std::size_t workingMemory() {
    return limit.load();
}

void setWorkingMemory(std::size_t bytes) {
    limit.store(bytes == 0 ? kDefault : bytes);
}

} // namespace engine::paradox
