#include "engine/dbase/MdxKeys.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace engine::dbase::mdx {

namespace {
constexpr int MaxDigits = 20;
constexpr unsigned char ExponentBias = 0x34;
constexpr double BlankDate = 1.0e100;

bool isZero(std::string_view key) {
    if (((static_cast<unsigned char>(key[1]) >> 2) & 31) == 0)
        return true;
    for (std::size_t i = 2; i < static_cast<std::size_t>(NumericKeyLength); ++i)
        if (key[i] != 0)
            return false;
    return true;
}

int compareNumbers(std::string_view a, std::string_view b) {
    bool za = isZero(a), zb = isZero(b);
    int sa = za ? 0 : ((a[1] & 0x80) ? -1 : 1);
    int sb = zb ? 0 : ((b[1] & 0x80) ? -1 : 1);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    auto ea = static_cast<unsigned char>(a[0]), eb = static_cast<unsigned char>(b[0]);
    int magnitude = ea != eb ? (ea < eb ? -1 : 1) : std::memcmp(a.data() + 2, b.data() + 2, 10);
    return sa * magnitude;
}

int compareDates(std::string_view a, std::string_view b) {
    double da = decodeDate(a), db = decodeDate(b);
    return da < db ? -1 : da > db ? 1 : 0;
}
} // namespace

std::string encodeNumber(const Decimal& value) {
    std::string key(NumericKeyLength, '\0');
    key[0] = static_cast<char>(ExponentBias);
    key[1] = 0x01;
    bool negative = value.text.front() == '-';
    std::string_view text = value.text;
    if (negative)
        text.remove_prefix(1);
    std::size_t point = text.find('.');
    std::string digits(text.substr(0, point));
    int exponent = static_cast<int>(digits.size()); // digits before the point
    if (point != std::string_view::npos)
        digits += text.substr(point + 1);
    std::size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos)
        return key; // zero
    digits.erase(0, lead);
    exponent -= static_cast<int>(lead);
    digits.erase(digits.find_last_not_of('0') + 1);
    if (exponent < -ExponentBias)
        return key; // too small for the exponent byte: zero
    exponent = std::min(exponent, 0xFF - ExponentBias);
    if (static_cast<int>(digits.size()) > MaxDigits)
        digits.resize(MaxDigits);
    key[0] = static_cast<char>(ExponentBias + exponent);
    key[1] =
        static_cast<char>((negative ? 0x80 : 0) | (static_cast<int>(digits.size()) << 2) | 0x01);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        int nibble = digits[i] - '0';
        char& byte = key[2 + i / 2];
        byte = static_cast<char>(byte | (i % 2 == 0 ? nibble << 4 : nibble));
    }
    return key;
}

std::string encodeNumber(double value) {
    // Shortest digits that give back the same double: 0.1 is "1" e-1, not
    // the binary expansion.
    return encodeNumber(decimalOf(value).value_or(Decimal{"0"}));
}

double decodeNumber(std::string_view key) {
    if (key.size() < static_cast<std::size_t>(NumericKeyLength) || isZero(key))
        return 0;
    int count = (static_cast<unsigned char>(key[1]) >> 2) & 31;
    std::string text = "0.";
    for (int i = 0; i < count && i < MaxDigits; ++i) {
        auto byte = static_cast<unsigned char>(key[2 + i / 2]);
        text += static_cast<char>('0' + (i % 2 == 0 ? byte >> 4 : byte & 0x0F) % 10);
    }
    text += "e" + std::to_string(static_cast<unsigned char>(key[0]) - ExponentBias);
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return (key[1] & 0x80) ? -v : v;
}

std::string encodeDate(std::int64_t julianDay) {
    double v = julianDay == 0 ? BlankDate : static_cast<double>(julianDay);
    std::string key(DateKeyLength, '\0');
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
        key[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return key;
}

double decodeDate(std::string_view key) {
    if (key.size() < static_cast<std::size_t>(DateKeyLength))
        return BlankDate;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(key[static_cast<std::size_t>(i)]);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

int compareKeys(char type, std::string_view a, std::string_view b) {
    if (type == 'N' && a.size() >= 12 && b.size() >= 12)
        return compareNumbers(a, b);
    if (type == 'D')
        return compareDates(a, b);
    int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (r != 0)
        return r < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace engine::dbase::mdx
