#pragma once

#include "engine/paradox/WorkingMemory.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace engine::paradox {

// Rows appended during a batch, held until they fill the working memory
// (then the table stores them) or the batch ends. They sit in chunks that
// never move, so their keys can be looked up in place as rows come in and a
// duplicate is refused at once.
class PendingRows {
public:
    void reset(int recordSize, int keyLength) {
        clear();
        recordSize_ = static_cast<std::size_t>(recordSize);
        keyLength_ = static_cast<std::size_t>(keyLength);
        // A key in the set costs about as much as a small record.
        limit_ = std::max<std::size_t>(1, workingMemory() / (recordSize_ + (keyLength_ ? 64 : 0)));
    }
    bool full() const { return size_ >= limit_; }
    void clear() {
        chunks_.clear();
        keys_.clear();
        size_ = 0;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const char* at(std::size_t i) const {
        return chunks_[i / kChunk].get() + (i % kChunk) * recordSize_;
    }
    bool containsKey(std::string_view key) const { return keys_.count(key) > 0; }
    void add(const char* record) {
        if (size_ % kChunk == 0)
            chunks_.push_back(std::make_unique<char[]>(kChunk * recordSize_));
        char* to = chunks_.back().get() + (size_ % kChunk) * recordSize_;
        std::memcpy(to, record, recordSize_);
        if (keyLength_ > 0)
            keys_.insert(std::string_view(to, keyLength_));
        ++size_;
    }

private:
    static constexpr std::size_t kChunk = 4096;
    std::size_t recordSize_ = 0, keyLength_ = 0, size_ = 0, limit_ = 1;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::unordered_set<std::string_view> keys_;
};

} // namespace engine::paradox
