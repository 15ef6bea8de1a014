#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Character and number helpers with the dBase rules. Text is UTF-8 and every
// position or width counts characters, as a single-byte code page would.
namespace engine::expr::text {

int charCount(std::string_view s);
// Byte offset of character `index` (clamped to the end of `s`).
std::size_t byteOffset(std::string_view s, int index);
// `s` padded with blanks (or cut) to exactly `width` characters.
std::string padTo(std::string_view s, int width);
// `count` characters from character `start` (0-based), clamped to `s`.
std::string_view slice(std::string_view s, int start, int count);

// The longest character value (dBase IV).
inline constexpr int MaxLength = 254;

// STR(n, len, dec): rounded half away from zero, right-aligned; decimals are
// dropped before the integer part overflows into `len` asterisks. `len` is
// at most MaxLength.
std::string str(double n, int len, int dec);
// VAL(c): the leading number of `s` after blanks; 0 when there is none.
double val(std::string_view s);

// DTOC / CTOD in the default MM/DD/YY format; Julian day 0 is the blank date.
std::string dtoc(std::int64_t julianDay);
std::int64_t ctod(std::string_view s);
std::string dtos(std::int64_t julianDay);

} // namespace engine::expr::text
