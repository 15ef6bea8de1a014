#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// The byte order of the table files: little-endian integers in headers and
// records (dBase and Paradox alike), and the sortable big-endian encoding of
// Paradox index entries.
namespace engine {

inline std::uint16_t getU16(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::int16_t getI16(const void* p) {
    return static_cast<std::int16_t>(getU16(p));
}
inline std::uint32_t getU32(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
inline void putU16(void* p, std::uint32_t v) {
    auto* b = static_cast<unsigned char*>(p);
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
}
inline void putU32(void* p, std::uint32_t v) {
    auto* b = static_cast<unsigned char*>(p);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The sortable 16-bit encoding that index entries use for block numbers and
// counts: big-endian with the top bit flipped.
inline void putSortableU16(void* p, std::uint16_t v) {
    auto* b = static_cast<unsigned char*>(p);
    std::uint16_t e = static_cast<std::uint16_t>(v ^ 0x8000);
    b[0] = static_cast<unsigned char>(e >> 8);
    b[1] = static_cast<unsigned char>(e);
}
inline std::uint16_t getSortableU16(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(((b[0] << 8) | b[1]) ^ 0x8000);
}

} // namespace engine
