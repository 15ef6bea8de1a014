#include "KeyGuard.h"

#include "Arguments.h"

namespace tabletool {

KeyGuard::KeyGuard(engine::TableFile& table) : table_(table) {
    for (const engine::IndexInfo& info : table.indexes())
        if (info.def.primary)
            keys_.push_back({info.def.name, table.openIndex(info.def.name), {}});
}

void KeyGuard::check(const engine::Record& record, const std::string& where) {
    for (Key& k : keys_) {
        std::string key = table_.indexKey(k.index, record);
        bool inTable =
            k.cursor->seek(key) && table_.compareKeys(k.index, k.cursor->key(), key) == 0;
        if (inTable || !k.seen.insert(key).second)
            throw UsageError(where + ": its primary key is " +
                             (inTable ? "already in the table" : "given twice"));
    }
}

} // namespace tabletool
