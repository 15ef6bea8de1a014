#pragma once

#include "engine/dbase/MdxFormat.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace engine::dbase {

// Entries of one node block, read and changed in place. Pointer i sits at
// the start of entry i; the pointer after the last entry (index count()) is 0
// in a leaf and the rightmost child of an interior node.
class MdxNode {
public:
    MdxNode(std::string& block, int itemLength, int keyLength)
        : b_(block), item_(itemLength), keyLength_(keyLength) {}

    std::uint32_t count() const { return getU32(&b_[mdx::node::Count]); }
    void setCount(std::uint32_t n) { putU32(&b_[mdx::node::Count], n); }
    std::uint32_t pointer(std::size_t i) const { return getU32(&b_[entry(i)]); }
    void setPointer(std::size_t i, std::uint32_t p) { putU32(&b_[entry(i)], p); }
    std::string_view key(std::size_t i) const {
        return std::string_view(&b_[entry(i) + 4], static_cast<std::size_t>(keyLength_));
    }
    void setKey(std::size_t i, std::string_view key) {
        char* k = &b_[entry(i) + 4];
        std::memset(k, 0, static_cast<std::size_t>(item_ - 4));
        std::memcpy(k, key.data(), std::min(key.size(), static_cast<std::size_t>(keyLength_)));
    }
    bool isLeaf() const { return pointer(count()) == 0; }

    // Opens a gap for entry i by moving entries i.. and the trailing pointer
    // right; the block must have room for one more item.
    void insertAt(std::size_t i, std::uint32_t pointer, std::string_view key) {
        std::size_t n = count();
        std::size_t from = entry(i);
        std::memmove(&b_[from + item_], &b_[from], entry(n) + 4 - from);
        setCount(static_cast<std::uint32_t>(n + 1));
        setPointer(i, pointer);
        setKey(i, key);
    }
    // Removes entry i (its pointer and key); the trailing pointer moves left.
    void eraseAt(std::size_t i) {
        std::size_t n = count();
        std::size_t from = entry(i + 1);
        std::memmove(&b_[entry(i)], &b_[from], entry(n) + 4 - from);
        std::memset(&b_[entry(n - 1) + 4], 0, static_cast<std::size_t>(item_));
        setCount(static_cast<std::uint32_t>(n - 1));
    }
    // Drops the last key of an interior node: its pointer becomes the
    // trailing (rightmost) one.
    void dropLastKey() {
        std::size_t n = count();
        std::memset(&b_[entry(n - 1) + 4], 0, static_cast<std::size_t>(item_));
        setCount(static_cast<std::uint32_t>(n - 1));
    }

private:
    std::size_t entry(std::size_t i) const {
        return static_cast<std::size_t>(mdx::node::Entries) + i * static_cast<std::size_t>(item_);
    }
    std::string& b_;
    int item_;
    int keyLength_;
};

} // namespace engine::dbase
