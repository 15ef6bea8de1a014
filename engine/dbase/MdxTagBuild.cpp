#include "engine/dbase/MdxTagBuild.h"

#include "engine/dbase/MdxKeys.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

// Stable LSD radix sort on the prefixes, 16 bits a pass; a pass whose digit
// is the same in every item is skipped. Far fewer steps than a comparison
// sort of a million keys, in one buffer as large as the items.
void sortByPrefix(std::vector<SortItem>& items) {
    std::vector<SortItem> other(items.size());
    std::vector<std::size_t> start(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        auto digit = [shift](const SortItem& item) {
            return static_cast<std::size_t>(item.prefix >> shift & 0xFFFF);
        };
        std::fill(start.begin(), start.end(), 0);
        for (const SortItem& item : items)
            ++start[digit(item)];
        if (!items.empty() && start[digit(items.front())] == items.size())
            continue;
        std::size_t at = 0;
        for (std::size_t& s : start)
            at += std::exchange(s, at);
        for (const SortItem& item : items)
            other[start[digit(item)]++] = item;
        items.swap(other);
    }
}

std::vector<std::uint32_t> sortedOrder(MdxTag& tag, const Collected& c) {
    const MdxTagHeader& h = tag.header();
    auto len = static_cast<std::size_t>(h.keyLength);
    auto keyAt = [&](std::uint32_t i) { return std::string_view(c.keys.data() + i * len, len); };
    std::vector<SortItem> items(c.recnos.size());
    for (std::uint32_t i = 0; i < items.size(); ++i)
        items[i] = SortItem{prefixOf(h, keyAt(i)), i};
    sortByPrefix(items);
    // Items of one prefix: in order of the whole key, then of the record number.
    MdxTree& tree = tag.tree();
    auto before = [&](const SortItem& a, const SortItem& b) {
        int r = tree.compare(keyAt(a.index), keyAt(b.index));
        return r != 0 ? r < 0 : c.recnos[a.index] < c.recnos[b.index];
    };
    for (auto run = items.begin(); run != items.end();) {
        auto end = std::find_if(run + 1, items.end(),
                                [&](const SortItem& item) { return item.prefix != run->prefix; });
        if (end - run > 1)
            std::sort(run, end, before);
        run = end;
    }
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
