#pragma once

#include "engine/base/Bytes.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Byte layout of a dBase IV production index (MDX). Every file offset in an
// MDX is a page number in 512-byte units; nodes are blocks of a whole number
// of pages.
namespace engine::dbase::mdx {

inline constexpr std::uint32_t PageSize = 512;
inline constexpr std::uint32_t DefaultBlockSize = 1024;
inline constexpr int MaxTags = 47;
inline constexpr int TagSlots = 48;
inline constexpr int SlotSize = 32;
inline constexpr std::uint32_t TagTableOffset = 544;
// Header and the 47 usable tag slots fill pages 0-3.
inline constexpr std::uint32_t FirstDataPage = 4;
inline constexpr int MaxKeyLength = 100;
inline constexpr int MaxTextLength = 219; // key and FOR text, NUL-terminated in 220 bytes
inline constexpr std::uint32_t TagHeaderSize = 1024;

// File header (page 0).
namespace header {
inline constexpr int Version = 0;         // 2 = dBase IV
inline constexpr int Created = 1;         // year - 1900, month, day
inline constexpr int TableName = 4;       // 16 bytes, NUL-padded
inline constexpr int PagesPerBlock = 20;  // uint16
inline constexpr int BlockBytes = 22;     // uint16
inline constexpr int Production = 24;     // 1
inline constexpr int SlotCount = 25;      // 48
inline constexpr int SlotLength = 26;     // 32
inline constexpr int TagsInUse = 28;      // uint16
inline constexpr int TagCounter = 30;     // tags + 1
inline constexpr int LanguageDriver = 31; // as the table's byte 29
inline constexpr int PageCount = 32;      // uint32: file size / 512
inline constexpr int FreeHead = 36;       // uint32: first free block page, 0 = none
inline constexpr int FreeCount = 40;      // uint32: blocks in the free chain
inline constexpr int Updated = 44;        // year - 1900, month, day
inline constexpr int Marker529 = 529;     // 1
} // namespace header

// One 32-byte slot of the tag table.
namespace slot {
inline constexpr int HeaderPage = 0; // uint32
inline constexpr int Name = 4;       // 11 bytes, NUL-padded
inline constexpr int KeyFormat = 15; // 0x10
inline constexpr int ThreadLess = 16;
inline constexpr int ThreadGreater = 17;
inline constexpr int ThreadParent = 18;
inline constexpr int Constant19 = 19; // 0x02
inline constexpr int KeyType = 20;    // 'C', 'N', 'D'
} // namespace slot

// Tag header block.
namespace tag {
inline constexpr int Root = 0;           // uint32 page
inline constexpr int PagesUsed = 4;      // uint32
inline constexpr int Flags = 8;          // 0x10 | 0x08 descending | 0x40 unique
inline constexpr int KeyType = 9;        // 'C', 'N', 'D'
inline constexpr int KeyLength = 12;     // uint16
inline constexpr int MaxKeys = 14;       // uint16
inline constexpr int SecondaryType = 16; // uint16: 1 for D keys
inline constexpr int ItemLength = 18;    // uint16
inline constexpr int Serial = 20;
inline constexpr int Unique = 23;
inline constexpr int Expression = 24; // 220 bytes
inline constexpr int HasFor = 245;
inline constexpr int HasKeys = 246;
inline constexpr int FirstLeaf = 248; // uint32
inline constexpr int LastLeaf = 252;  // uint32
inline constexpr int Date = 257;      // year - 1900, month, day
inline constexpr int BareField = 480;
inline constexpr int ForExpression = 762; // 220 bytes

inline constexpr std::uint8_t FlagAlways = 0x10;
inline constexpr std::uint8_t FlagDescending = 0x08;
inline constexpr std::uint8_t FlagUnique = 0x40;
} // namespace tag

// Node block: count, a link word, then entries of `item length` bytes (a
// 4-byte pointer and the key); the pointer after the last entry is 0 in a
// leaf and the rightmost child in an interior node.
namespace node {
inline constexpr int Count = 0;
inline constexpr int Link = 4;
inline constexpr int Entries = 8;
} // namespace node

// A NUL-terminated text of at most `size` bytes.
inline std::string getText(const char* p, std::size_t size) {
    return std::string(p, strnlen(p, size));
}
inline void putText(char* p, std::size_t size, std::string_view text) {
    std::memset(p, 0, size);
    std::memcpy(p, text.data(), std::min(size, text.size()));
}
// Today as year - 1900, month, day.
void putToday(char* p);

} // namespace engine::dbase::mdx
