#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers as text, the same in every locale: parsing and formatting go
// through std::from_chars / std::to_chars and exact arithmetic on digits,
// never through the C library's locale-dependent functions.
namespace engine {

// An exact decimal number as text: an optional '-', one or more digits
// without leading zeros, and an optional point followed by one or more
// digits. Trailing decimal zeros are kept (they are the stored decimals);
// zero has no sign.
struct Decimal {
    std::string text;
    friend bool operator==(const Decimal&, const Decimal&) = default;
};

// "[+|-]digits[.digits][e[+|-]digits]" (".5" and "5." too, blanks around)
// as an exact decimal; an exponent moves the point. Nothing for other text.
std::optional<Decimal> parseDecimal(std::string_view text);
// The shortest decimal that reads back as `value` ("100000", "0.25",
// "12345678901234567168"); nothing for infinities and NaN.
std::optional<Decimal> decimalOf(double value);
Decimal decimalOf(std::int64_t value);
// `value` with exactly `decimals` digits after the point, rounded half away
// from zero on its digits (2.675 to 2 decimals is 2.68). `inexact` (when
// given) is set when a digit other than zero was dropped.
Decimal roundDecimal(const Decimal& value, int decimals, bool* inexact = nullptr);
// The decimal as text: with `decimals` >= 0 rounded or padded to that many
// decimals, with -1 without trailing decimal zeros ("12.50" as "12.5").
std::string formatDecimal(const Decimal& value, int decimals);
// Digits after the point.
int decimalPlaces(const Decimal& value);
// The nearest double.
double toDouble(const Decimal& value);
// The value when it is a whole number within 64 bits.
std::optional<std::int64_t> toInt64(const Decimal& value);
// Numeric order of two decimals: negative, zero or positive.
int compareDecimals(const Decimal& a, const Decimal& b);
// True when `value` reads back as exactly this decimal's number.
bool sameNumber(const Decimal& a, double value);

// A double as text: with `decimals` >= 0 fixed to that many decimals
// (rounded half away from zero on its shortest digits), with -1 in its
// shortest exact form ("12.5", "3", "-0.25", "100000"). Never an exponent.
std::string formatNumber(double value, int decimals);
// Parses a whole text as a number ("12", "-3.5", "1e3"); nothing otherwise
// (also for results out of the range of a double).
std::optional<double> parseNumber(std::string_view text);
// Parses a whole text as a 64-bit integer ("-12", "+7"); nothing otherwise.
std::optional<std::int64_t> parseInteger(std::string_view text);
// Characters (code points) of a UTF-8 text.
std::size_t utf8Length(std::string_view text);

} // namespace engine
