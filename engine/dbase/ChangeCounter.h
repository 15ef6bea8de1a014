#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace engine::dbase {

// A counter shared by every handle of this process on the same file, so that
// a write through one handle shows in the changeCount() of the others.
class ChangeCounter {
public:
    explicit ChangeCounter(const std::filesystem::path& file);
    std::uint64_t value() const { return counter_->load(); }
    void bump() { counter_->fetch_add(1); }

private:
    std::shared_ptr<std::atomic<std::uint64_t>> counter_;
};

} // namespace engine::dbase
