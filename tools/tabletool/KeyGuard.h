#pragma once

#include "engine/table/TableFile.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace tabletool {

// Finds, before anything is written, the rows that the table's primary key
// would refuse: a key already in the table or given twice in the input.
class KeyGuard {
public:
    explicit KeyGuard(engine::TableFile& table);
    bool active() const { return !keys_.empty(); }
    // Throws UsageError naming `where` when the record's key is taken.
    void check(const engine::Record& record, const std::string& where);

private:
    struct Key {
        std::string index;
        std::unique_ptr<engine::IndexCursor> cursor;
        std::unordered_set<std::string> seen;
    };
    engine::TableFile& table_;
    std::vector<Key> keys_;
};

} // namespace tabletool
