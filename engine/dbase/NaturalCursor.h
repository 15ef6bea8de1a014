#pragma once

#include "engine/table/TableFile.h"

#include <functional>

namespace engine::dbase {

// Record order 1..n of a DBF, deleted records included. Every entry has the
// empty key, so seek("") is first() and any other key is past the end.
class NaturalCursor : public IndexCursor {
public:
    explicit NaturalCursor(std::function<std::uint64_t()> rowCount)
        : rowCount_(std::move(rowCount)) {}

    bool first() override { return moveTo(1); }
    bool last() override { return moveTo(rowCount_()); }
    bool next() override { return moveTo(row_ + 1); }
    bool prior() override { return row_ == 0 ? moveTo(0) : moveTo(row_ - 1); }
    bool seek(const std::string& key) override {
        return key.empty() ? first() : moveTo(rowCount_() + 1);
    }
    const std::string& key() const override { return key_; }
    RowId row() const override { return row_ >= 1 && row_ <= rowCount_() ? row_ : NoRow; }

private:
    bool moveTo(std::uint64_t row) {
        std::uint64_t n = rowCount_();
        row_ = std::min(row, n + 1);
        return row_ >= 1 && row_ <= n;
    }

    std::function<std::uint64_t()> rowCount_;
    std::uint64_t row_ = 0; // 0 before the first, n + 1 after the last
    std::string key_;
};

} // namespace engine::dbase
