#include "engine/dbase/MdxTree.h"

#include "engine/base/EngineError.h"
#include "engine/dbase/MdxKeys.h"
#include "engine/dbase/MdxNode.h"

#include <algorithm>

namespace engine::dbase {

namespace {
constexpr std::size_t MaxDepth = 40;
} // namespace

MdxTree::MdxTree(MdxFile& file, MdxTagHeader& header)
    : file_(file), header_(header),
      capacity_(std::min(header.maxKeys,
                         (static_cast<int>(file.blockSize()) - 12) / header.itemLength)) {}

int MdxTree::compare(std::string_view a, std::string_view b) const {
    int r = mdx::compareKeys(header_.keyType, a, b);
    return header_.descending ? -r : r;
}

int MdxTree::comparePair(std::string_view a, std::uint32_t ra, std::string_view b,
                         std::uint32_t rb) const {
    int r = compare(a, b);
    if (r != 0)
        return r;
    return ra < rb ? -1 : ra > rb ? 1 : 0;
}

void MdxTree::load(std::uint32_t page, std::string& block) const {
    file_.readBlock(page, block);
    std::uint32_t n = getU32(block.data());
    if (8 + static_cast<std::uint64_t>(n) * header_.itemLength + 4 > file_.blockSize())
        throw EngineError(code::IndexCorrupt, file_.describe() + ", tag " + header_.name +
                                                  ": node at page " + std::to_string(page) +
                                                  " claims " + std::to_string(n) + " keys");
    block.resize(file_.blockSize() + static_cast<std::size_t>(header_.itemLength));
}

std::uint32_t MdxTree::highestRecno(std::uint32_t page) {
    std::string block;
    for (std::size_t depth = 0; depth < MaxDepth; ++depth) {
        load(page, block);
        MdxNode node(block, header_.itemLength, header_.keyLength);
        if (node.isLeaf())
            return node.count() == 0 ? 0 : node.pointer(node.count() - 1);
        page = node.pointer(node.count());
    }
    throw EngineError(code::IndexCorrupt,
                      file_.describe() + ", tag " + header_.name + ": tree loops on itself");
}

// The child whose entries hold the place of (key, recno). Children whose
// highest key equals `key` are told apart by their highest record number.
std::size_t MdxTree::childFor(std::string& block, std::string_view key, std::uint32_t recno) {
    MdxNode node(block, header_.itemLength, header_.keyLength);
    std::size_t n = node.count();
    std::size_t lo = 0, hi = n;
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (compare(node.key(mid), key) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == n || recno == 0 || compare(node.key(lo), key) != 0)
        return lo;
    std::size_t equalEnd = lo;
    hi = n;
    while (equalEnd < hi) {
        std::size_t mid = (equalEnd + hi) / 2;
        if (compare(node.key(mid), key) <= 0)
            equalEnd = mid + 1;
        else
            hi = mid;
    }
    hi = equalEnd;
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (highestRecno(node.pointer(mid)) < recno)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t MdxTree::leafPosition(std::string& block, std::string_view key, std::uint32_t recno) {
    MdxNode node(block, header_.itemLength, header_.keyLength);
    std::size_t lo = 0, hi = node.count();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (comparePair(node.key(mid), node.pointer(mid), key, recno) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void MdxTree::descendTo(Path& path, std::string_view key, std::uint32_t recno) {
    path.clear();
    std::uint32_t page = header_.root;
    for (;;) {
        if (path.size() >= MaxDepth)
            throw EngineError(code::IndexCorrupt, file_.describe() + ", tag " + header_.name +
                                                      ": tree loops on itself");
        Level& level = path.emplace_back();
        level.page = page;
        load(page, level.block);
        MdxNode node(level.block, header_.itemLength, header_.keyLength);
        if (node.isLeaf()) {
            level.index = leafPosition(level.block, key, recno);
            return;
        }
        level.index = childFor(level.block, key, recno);
        page = node.pointer(level.index);
    }
}

void MdxTree::descendEdge(Path& path, std::uint32_t page, bool leftmost) {
    for (;;) {
        if (path.size() >= MaxDepth)
            throw EngineError(code::IndexCorrupt, file_.describe() + ", tag " + header_.name +
                                                      ": tree loops on itself");
        Level& level = path.emplace_back();
        level.page = page;
        load(page, level.block);
        MdxNode node(level.block, header_.itemLength, header_.keyLength);
        level.index = leftmost ? 0 : node.count();
        if (node.isLeaf())
            return;
        page = node.pointer(level.index);
    }
}

bool MdxTree::containsKey(std::string_view key) {
    Path path;
    return seek(path, key) && compare(keyAt(path), key) == 0;
}

void MdxTree::split(Path& path, std::size_t level, std::uint32_t& leftPage, std::string& leftMax) {
    Level& lv = path[level];
    MdxNode node(lv.block, header_.itemLength, header_.keyLength);
    bool leaf = node.isLeaf();
    std::size_t m = node.count();
    std::size_t s = m / 2;
    auto item = static_cast<std::size_t>(header_.itemLength);
    std::string left(lv.block.size(), '\0'), right(lv.block.size(), '\0');
    MdxNode l(left, header_.itemLength, header_.keyLength);
    MdxNode r(right, header_.itemLength, header_.keyLength);
    std::memcpy(&left[mdx::node::Entries], &lv.block[mdx::node::Entries], s * item);
    l.setCount(static_cast<std::uint32_t>(s));
    if (leaf) {
        leftMax = std::string(node.key(s - 1));
        std::memcpy(&right[mdx::node::Entries], &lv.block[mdx::node::Entries + s * item],
                    (m - s) * item);
        r.setCount(static_cast<std::uint32_t>(m - s));
    } else {
        l.setPointer(s, node.pointer(s));
        leftMax = std::string(node.key(s));
        std::memcpy(&right[mdx::node::Entries], &lv.block[mdx::node::Entries + (s + 1) * item],
                    (m - s - 1) * item + 4);
        r.setCount(static_cast<std::uint32_t>(m - s - 1));
    }
    leftPage = file_.allocateBlock();
    header_.pagesUsed += file_.pagesPerBlock();
    file_.writeBlock(leftPage, left);
    lv.block = std::move(right);
    file_.writeBlock(lv.page, lv.block);
    if (leaf && header_.firstLeaf == lv.page)
        header_.firstLeaf = leftPage;
}

void MdxTree::insert(std::string_view key, std::uint32_t recno) {
    Path path;
    descendTo(path, key, recno);
    std::size_t leafLevel = path.size() - 1;
    bool newMax = false;
    bool headerChanged = !header_.hasKeys;
    header_.hasKeys = true;
    std::uint32_t pendingPage = 0;
    std::string pendingKey;
    for (std::size_t level = leafLevel;; --level) {
        Level& lv = path[level];
        MdxNode node(lv.block, header_.itemLength, header_.keyLength);
        if (level == leafLevel) {
            newMax = lv.index == node.count();
            node.insertAt(lv.index, recno, key);
        } else {
            node.insertAt(lv.index, pendingPage, pendingKey);
            ++lv.index; // the child that split keeps its page as the right half
            if (newMax && lv.index < node.count()) {
                node.setKey(lv.index, key);
                newMax = false;
            }
        }
        if (node.count() <= static_cast<std::uint32_t>(capacity_)) {
            file_.writeBlock(lv.page, lv.block);
            if (newMax)
                propagateMax(path, level, key);
            break;
        }
        split(path, level, pendingPage, pendingKey);
        headerChanged = true;
        if (level == 0) {
            std::string root(lv.block.size(), '\0');
            MdxNode r(root, header_.itemLength, header_.keyLength);
            r.setCount(1);
            r.setPointer(0, pendingPage);
            r.setKey(0, pendingKey);
            r.setPointer(1, lv.page);
            header_.root = file_.allocateBlock();
            header_.pagesUsed += file_.pagesPerBlock();
            file_.writeBlock(header_.root, root);
            break;
        }
    }
    if (headerChanged)
        saveHeader();
}

void MdxTree::propagateMax(Path& path, std::size_t level, std::string_view newMax) {
    std::string key(newMax); // may point into a block that changes below
    while (level > 0) {
        Level& parent = path[--level];
        MdxNode node(parent.block, header_.itemLength, header_.keyLength);
        if (parent.index < node.count()) {
            node.setKey(parent.index, key);
            file_.writeBlock(parent.page, parent.block);
            return;
        }
    }
}

bool MdxTree::remove(std::string_view key, std::uint32_t recno) {
    Path path;
    descendTo(path, key, recno);
    Level& leaf = path.back();
    MdxNode node(leaf.block, header_.itemLength, header_.keyLength);
    if (leaf.index >= node.count() ||
        comparePair(node.key(leaf.index), node.pointer(leaf.index), key, recno) != 0)
        return false;
    bool wasMax = leaf.index + 1 == node.count();
    node.eraseAt(leaf.index);
    if (node.count() > 0 || path.size() == 1) {
        file_.writeBlock(leaf.page, leaf.block);
        if (wasMax && node.count() > 0)
            propagateMax(path, path.size() - 1, node.key(node.count() - 1));
    } else {
        removeEmptyNode(path, path.size() - 1);
    }
    return true;
}

// Takes an emptied leaf out of its parent; a parent left with a single
// child is replaced by that child.
void MdxTree::removeEmptyNode(Path& path, std::size_t level) {
    file_.releaseBlock(path[level].page);
    header_.pagesUsed -= std::min(header_.pagesUsed, file_.pagesPerBlock());
    Level& parent = path[level - 1];
    MdxNode node(parent.block, header_.itemLength, header_.keyLength);
    if (parent.index < node.count()) {
        node.eraseAt(parent.index);
        file_.writeBlock(parent.page, parent.block);
    } else {
        std::string newMax(node.key(node.count() - 1));
        node.dropLastKey();
        file_.writeBlock(parent.page, parent.block);
        propagateMax(path, level - 1, newMax);
    }
    if (node.count() == 0) {
        std::uint32_t only = node.pointer(0);
        if (level - 1 == 0) {
            header_.root = only;
        } else {
            Level& grand = path[level - 2];
            MdxNode g(grand.block, header_.itemLength, header_.keyLength);
            g.setPointer(grand.index, only);
            file_.writeBlock(grand.page, grand.block);
        }
        file_.releaseBlock(parent.page);
        header_.pagesUsed -= std::min(header_.pagesUsed, file_.pagesPerBlock());
    }
    refreshLeafLinks();
    saveHeader();
}

void MdxTree::refreshLeafLinks() {
    Path path;
    descendEdge(path, header_.root, true);
    header_.firstLeaf = path.back().page;
    path.clear();
    descendEdge(path, header_.root, false);
    header_.lastLeaf = path.back().page;
}

void MdxTree::saveHeader() {
    file_.writeRootAndLeaves(header_);
}

void MdxTree::bulkLoad(const std::string& keys, const std::vector<std::uint32_t>& recnos,
                       const std::vector<std::uint32_t>& order) {
    const std::uint64_t n = order.size();
    const auto cap = static_cast<std::uint64_t>(capacity_);
    const auto keyLength = static_cast<std::size_t>(header_.keyLength);
    std::vector<std::uint64_t> levelNodes{std::max<std::uint64_t>(1, (n + cap - 1) / cap)};
    while (levelNodes.back() > 1)
        levelNodes.push_back((levelNodes.back() + cap) / (cap + 1));
    std::uint64_t total = 0;
    for (std::uint64_t count : levelNodes)
        total += count;
    const std::uint32_t ppb = file_.pagesPerBlock();
    const std::uint32_t firstPage = file_.appendBlocks(static_cast<std::uint32_t>(total));
    const std::size_t blockSize = file_.blockSize();

    // Nodes go out in runs of contiguous blocks; each remembers the position
    // (in `order`) of its highest key for the level above.
    std::string run;
    std::uint32_t runPage = firstPage;
    std::uint32_t nextPage = firstPage;
    auto emit = [&](std::string& block) {
        run.append(block.data(), blockSize);
        nextPage += ppb;
        if (run.size() >= 256 * blockSize) {
            file_.writeBlocks(runPage, run);
            run.clear();
            runPage = nextPage;
        }
    };
    std::string block(blockSize + static_cast<std::size_t>(header_.itemLength), '\0');
    auto keyOf = [&](std::uint64_t position) {
        return std::string_view(keys.data() + order[position] * keyLength, keyLength);
    };

    std::vector<std::uint64_t> maxOf(levelNodes[0]);
    std::vector<std::uint32_t> pageOf(levelNodes[0]);
    for (std::uint64_t j = 0; j < levelNodes[0]; ++j) {
        std::uint64_t from = j * n / levelNodes[0], to = (j + 1) * n / levelNodes[0];
        std::fill(block.begin(), block.end(), '\0');
        MdxNode node(block, header_.itemLength, header_.keyLength);
        for (std::uint64_t i = from; i < to; ++i) {
            node.setPointer(i - from, recnos[order[i]]);
            node.setKey(i - from, keyOf(i));
        }
        node.setCount(static_cast<std::uint32_t>(to - from));
        pageOf[j] = nextPage;
        maxOf[j] = to > from ? to - 1 : 0;
        emit(block);
    }
    header_.firstLeaf = pageOf.front();
    header_.lastLeaf = pageOf.back();
    for (std::size_t level = 1; level < levelNodes.size(); ++level) {
        std::uint64_t children = pageOf.size();
        std::vector<std::uint64_t> maxAbove(levelNodes[level]);
        std::vector<std::uint32_t> pageAbove(levelNodes[level]);
        for (std::uint64_t j = 0; j < levelNodes[level]; ++j) {
            std::uint64_t from = j * children / levelNodes[level];
            std::uint64_t to = (j + 1) * children / levelNodes[level];
            std::fill(block.begin(), block.end(), '\0');
            MdxNode node(block, header_.itemLength, header_.keyLength);
            for (std::uint64_t c = from; c + 1 < to; ++c) {
                node.setPointer(c - from, pageOf[c]);
                node.setKey(c - from, keyOf(maxOf[c]));
            }
            node.setCount(static_cast<std::uint32_t>(to - from - 1));
            node.setPointer(to - from - 1, pageOf[to - 1]);
            pageAbove[j] = nextPage;
            maxAbove[j] = maxOf[to - 1];
            emit(block);
        }
        maxOf = std::move(maxAbove);
        pageOf = std::move(pageAbove);
    }
    if (!run.empty())
        file_.writeBlocks(runPage, run);
    header_.root = pageOf.front();
    header_.hasKeys = n > 0;
    header_.pagesUsed = static_cast<std::uint32_t>(total) * ppb + file_.tagHeaderBlocks() * ppb;
}

bool MdxTree::first(Path& path) {
    path.clear();
    descendEdge(path, header_.root, true);
    return settleForward(path);
}

bool MdxTree::last(Path& path) {
    path.clear();
    descendEdge(path, header_.root, false);
    return prior(path);
}

bool MdxTree::next(Path& path) {
    ++path.back().index;
    return settleForward(path);
}

bool MdxTree::settleForward(Path& path) {
    for (;;) {
        Level& leaf = path.back();
        if (leaf.index < getU32(leaf.block.data()))
            return true;
        path.pop_back();
        for (;;) {
            if (path.empty())
                return false;
            Level& lv = path.back();
            MdxNode node(lv.block, header_.itemLength, header_.keyLength);
            if (lv.index < node.count()) {
                ++lv.index;
                descendEdge(path, node.pointer(lv.index), true);
                break;
            }
            path.pop_back();
        }
    }
}

bool MdxTree::prior(Path& path) {
    for (;;) {
        Level& leaf = path.back();
        std::size_t count = getU32(leaf.block.data());
        if (leaf.index > 0 && count > 0) {
            leaf.index = std::min(leaf.index, count) - 1;
            return true;
        }
        path.pop_back();
        for (;;) {
            if (path.empty())
                return false;
            Level& lv = path.back();
            if (lv.index > 0) {
                --lv.index;
                MdxNode node(lv.block, header_.itemLength, header_.keyLength);
                descendEdge(path, node.pointer(lv.index), false);
                break;
            }
            path.pop_back();
        }
    }
}

bool MdxTree::seek(Path& path, std::string_view key) {
    descendTo(path, key, 0);
    return settleForward(path);
}

bool MdxTree::seekEntry(Path& path, std::string_view key, std::uint32_t recno) {
    descendTo(path, key, recno);
    return settleForward(path);
}

std::string_view MdxTree::keyAt(const Path& path) const {
    const Level& leaf = path.back();
    return std::string_view(leaf.block.data() + mdx::node::Entries +
                                leaf.index * static_cast<std::size_t>(header_.itemLength) + 4,
                            static_cast<std::size_t>(header_.keyLength));
}

std::uint32_t MdxTree::recnoAt(const Path& path) const {
    const Level& leaf = path.back();
    return getU32(leaf.block.data() + mdx::node::Entries +
                  leaf.index * static_cast<std::size_t>(header_.itemLength));
}

} // namespace engine::dbase
