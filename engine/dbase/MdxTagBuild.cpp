#include "engine/dbase/MdxTagBuild.h"

#include "engine/dbase/MdxKeys.h"

#include <algorithm>
#include <cstring>

namespace engine::dbase {

namespace {
struct Collected {
    std::string keys; // key length bytes each
    std::vector<std::uint32_t> recnos;
};

// The leading part of a key as an unsigned number that sorts like the key in
// the tag's order; ties are settled on the whole key.
struct SortItem {
    std::uint64_t prefix;
    std::uint32_t index;
};

std::uint64_t sortableDouble(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & 0x8000000000000000ULL) ? ~bits : bits | 0x8000000000000000ULL;
}

std::uint64_t prefixOf(const MdxTagHeader& h, std::string_view key) {
    std::uint64_t p = 0;
    if (h.keyType == 'N') {
        p = sortableDouble(mdx::decodeNumber(key));
    } else if (h.keyType == 'D') {
        p = sortableDouble(mdx::decodeDate(key));
    } else {
        for (std::size_t i = 0; i < 8; ++i)
            p = (p << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0);
    }
    return h.descending ? ~p : p;
}

std::vector<std::uint32_t> sortedOrder(MdxTag& tag, const Collected& c) {
    const MdxTagHeader& h = tag.header();
    auto len = static_cast<std::size_t>(h.keyLength);
    auto keyAt = [&](std::uint32_t i) { return std::string_view(c.keys.data() + i * len, len); };
    std::vector<SortItem> items(c.recnos.size());
    for (std::uint32_t i = 0; i < items.size(); ++i)
        items[i] = SortItem{prefixOf(h, keyAt(i)), i};
    MdxTree& tree = tag.tree();
    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        int r = tree.compare(keyAt(a.index), keyAt(b.index));
        if (r != 0)
            return r < 0;
        return c.recnos[a.index] < c.recnos[b.index];
    });
    std::vector<std::uint32_t> order;
    order.reserve(items.size());
    for (const SortItem& item : items) {
        if (h.unique && !order.empty() && tree.compare(keyAt(order.back()), keyAt(item.index)) == 0)
            continue; // UNIQUE: the first record of a key owns it
        order.push_back(item.index);
    }
    return order;
}
} // namespace

void buildTags(const std::vector<MdxTag*>& tags, const ProductionIndex::RecordSource& records) {
    std::vector<Collected> collected(tags.size());
    records([&](RowId recno, const Record& record, bool deleted) {
        expr::RecordContext context{&record, recno, deleted};
        for (std::size_t t = 0; t < tags.size(); ++t) {
            if (!tags[t]->passes(context))
                continue;
            tags[t]->appendKey(context, collected[t].keys);
            collected[t].recnos.push_back(static_cast<std::uint32_t>(recno));
        }
    });
    for (std::size_t t = 0; t < tags.size(); ++t) {
        MdxTag& tag = *tags[t];
        std::vector<std::uint32_t> order = sortedOrder(tag, collected[t]);
        tag.tree().bulkLoad(collected[t].keys, collected[t].recnos, order);
        collected[t] = Collected{}; // give the memory back before the next tag
        tag.file().writeTagHeader(tag.header());
        tag.reloaded();
    }
}

} // namespace engine::dbase
