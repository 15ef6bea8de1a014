#include "engine/expr/XbaseText.h"

#include "engine/values/Date.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace engine::expr::text {

namespace {
bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// |n| rounded half away from zero to `dec` decimals, as plain digits with a
// point. Rounds the 15 significant digits a double holds reliably, so that
// 1.005 rounds up as a person expects.
std::string fixedMagnitude(double n, int dec) {
    char buf[64];
    auto end =
        std::to_chars(buf, buf + sizeof buf - 1, std::fabs(n), std::chars_format::scientific, 14)
            .ptr;
    *end = '\0';
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, 14);
    int exponent = 0; // position of the point after digit 0: "d.dddddddddddddde+XX"
    std::from_chars(buf + 18, end, exponent);
    if (buf[17] == '-')
        exponent = -exponent;
    int pointAt = exponent + 1; // digits before the point
    if (pointAt < 0) {
        digits.insert(0, static_cast<std::size_t>(-pointAt), '0');
        pointAt = 0;
    }
    int keep = pointAt + dec;
    if (static_cast<int>(digits.size()) < keep)
        digits.append(static_cast<std::size_t>(keep - static_cast<int>(digits.size())), '0');
    bool roundUp = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0 && digits[i] == '9'; --i)
            digits[i] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.insert(digits.begin(), '1');
            ++pointAt;
        }
    }
    std::string integer = digits.substr(0, static_cast<std::size_t>(pointAt));
    std::size_t nonZero = integer.find_first_not_of('0');
    integer = nonZero == std::string::npos ? "0" : integer.substr(nonZero);
    if (dec == 0)
        return integer;
    return integer + "." + digits.substr(static_cast<std::size_t>(pointAt));
}
} // namespace

int charCount(std::string_view s) {
    int n = 0;
    for (char c : s)
        if (!isContinuation(static_cast<unsigned char>(c)))
            ++n;
    return n;
}

std::size_t byteOffset(std::string_view s, int index) {
    if (index <= 0)
        return 0;
    int seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!isContinuation(static_cast<unsigned char>(s[i]))) {
            if (seen == index)
                return i;
            ++seen;
        }
    }
    return s.size();
}

std::string padTo(std::string_view s, int width) {
    int n = charCount(s);
    if (n == width)
        return std::string(s);
    if (n > width)
        return std::string(s.substr(0, byteOffset(s, width)));
    std::string out;
    out.reserve(s.size() + static_cast<std::size_t>(width - n));
    out.append(s);
    out.append(static_cast<std::size_t>(width - n), ' ');
    return out;
}

std::string_view slice(std::string_view s, int start, int count) {
    if (count <= 0)
        return {};
    std::size_t from = byteOffset(s, start);
    std::string_view rest = s.substr(from);
    return rest.substr(0, byteOffset(rest, count));
}

std::string str(double n, int len, int dec) {
    len = std::min(len, MaxLength);
    if (len <= 0)
        return {};
    // A decimal part needs a digit and the point before it.
    dec = std::clamp(dec, 0, std::max(len - 2, 0));
    if (!std::isfinite(n))
        return std::string(static_cast<std::size_t>(len), '*');
    for (int d = dec; d >= 0; --d) {
        std::string body = fixedMagnitude(n, d);
        bool negative = n < 0 && body.find_first_not_of("0.") != std::string::npos;
        if (negative)
            body.insert(body.begin(), '-');
        if (static_cast<int>(body.size()) <= len)
            return std::string(static_cast<std::size_t>(len) - body.size(), ' ') + body;
    }
    return std::string(static_cast<std::size_t>(len), '*');
}

double val(std::string_view s) {
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return 0;
    std::string number;
    if (s[i] == '-' || s[i] == '+')
        number += s[i++];
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) {
        number += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && isDigit(s[i])) {
            number += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0;
    double value = 0;
    if (number.front() == '+')
        number.erase(0, 1);
    auto r = std::from_chars(number.data(), number.data() + number.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        // Too many digits before the point for a double, or too many zeros after it.
        bool huge =
            number.substr(0, number.find('.')).find_first_of("123456789") != std::string::npos;
        double magnitude = huge ? HUGE_VAL : 0.0;
        return number.front() == '-' ? -magnitude : magnitude;
    }
    return value;
}

std::string dtoc(std::int64_t julianDay) {
    if (julianDay == 0)
        return "  /  /  ";
    Date d = Date::fromJulianDay(julianDay);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.month() % 100, d.day() % 100,
                  ((d.year() % 100) + 100) % 100);
    return buf;
}

std::int64_t ctod(std::string_view s) {
    int parts[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return 0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            if (i >= s.size() || (s[i] != '/' && s[i] != '-' && s[i] != '.'))
                return 0;
            ++i;
        }
        while (i < s.size() && isDigit(s[i]) && lengths[p] < 4) {
            parts[p] = parts[p] * 10 + (s[i++] - '0');
            ++lengths[p];
        }
        if (lengths[p] == 0)
            return 0;
    }
    if (s.find_first_not_of(' ', i) != std::string_view::npos)
        return 0;
    int year = lengths[2] <= 2 ? 1900 + parts[2] : parts[2];
    if (!Date::isValidYmd(year, parts[0], parts[1]))
        return 0;
    return Date::fromYmd(year, parts[0], parts[1]).julianDay();
}

std::string dtos(std::int64_t julianDay) {
    return julianDay == 0 ? std::string(8, ' ') : Date::fromJulianDay(julianDay).toDigits();
}

} // namespace engine::expr::text
