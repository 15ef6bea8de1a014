#pragma once

#include "engine/dbase/MdxFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine::dbase {

// The B-tree of one tag, changed in place: entries ordered by key in the
// tag's order (descending tags reversed), equal keys by record number.
// Interior entries hold the highest key of their child.
class MdxTree {
public:
    // One step of a path from the root: a node and the entry taken in it.
    struct Level {
        std::uint32_t page = 0;
        std::string block;
        std::size_t index = 0;
    };
    using Path = std::vector<Level>;

    MdxTree(MdxFile& file, MdxTagHeader& header);

    // Index order of two keys (negative, zero, positive).
    int compare(std::string_view a, std::string_view b) const;

    bool containsKey(std::string_view key);
    void insert(std::string_view key, std::uint32_t recno);
    bool remove(std::string_view key, std::uint32_t recno);
    // Builds the tree bottom-up in new blocks at the end of the file from
    // keys packed back to back (key length bytes each), taken in `order`
    // (already the index order). Sets the header's root, leaves and counts;
    // the caller writes the tag header.
    void bulkLoad(const std::string& keys, const std::vector<std::uint32_t>& recnos,
                  const std::vector<std::uint32_t>& order);

    // Cursor movement: `path` ends at a leaf entry when they return true.
    bool first(Path& path);
    bool last(Path& path);
    bool next(Path& path);
    bool prior(Path& path);
    bool seek(Path& path, std::string_view key);                           // first key >= key
    bool seekEntry(Path& path, std::string_view key, std::uint32_t recno); // first pair >=
    std::string_view keyAt(const Path& path) const;
    std::uint32_t recnoAt(const Path& path) const;

    const MdxTagHeader& header() const { return header_; }
    int capacity() const { return capacity_; }

private:
    void load(std::uint32_t page, std::string& block) const;
    int comparePair(std::string_view a, std::uint32_t ra, std::string_view b,
                    std::uint32_t rb) const;
    std::size_t childFor(std::string& block, std::string_view key, std::uint32_t recno);
    std::uint32_t highestRecno(std::uint32_t page);
    std::size_t leafPosition(std::string& block, std::string_view key, std::uint32_t recno);
    void descendTo(Path& path, std::string_view key, std::uint32_t recno);
    void descendEdge(Path& path, std::uint32_t page, bool leftmost);
    bool settleForward(Path& path);
    void propagateMax(Path& path, std::size_t level, std::string_view newMax);
    void removeEmptyNode(Path& path, std::size_t level);
    void refreshLeafLinks();
    void saveHeader();
    void split(Path& path, std::size_t level, std::uint32_t& leftPage, std::string& leftMax);

    MdxFile& file_;
    MdxTagHeader& header_;
    int capacity_;
};

} // namespace engine::dbase
