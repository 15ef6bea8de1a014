#pragma once

#include "engine/values/NumberText.h"

#include <cstdint>
#include <string>
#include <string_view>

// The on-disk key encodings of an MDX tag and their order.
namespace engine::dbase::mdx {

inline constexpr int NumericKeyLength = 12;
inline constexpr int DateKeyLength = 8;

// 12-byte decimal key: exponent byte 0x34 + digits before the point; sign,
// digit count and 0x01 in byte 1; up to 20 significant digits as packed BCD.
std::string encodeNumber(double value);
std::string encodeNumber(const Decimal& value); // every digit, up to 20

double decodeNumber(std::string_view key);
// IEEE double of the Julian day, little-endian; the blank date (0) is 1.0E100
// so that it sorts last.
std::string encodeDate(std::int64_t julianDay);
double decodeDate(std::string_view key);

// Order of two keys of type 'C' (bytes), 'N' (numeric value) or 'D' (the
// double): negative, zero or positive. Shorter character keys sort first
// when they are a prefix of the other (partial search keys).
int compareKeys(char type, std::string_view a, std::string_view b);

} // namespace engine::dbase::mdx
