#include "engine/values/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace engine {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The parts of a canonical decimal.
struct Parts {
    bool negative = false;
    std::string_view whole; // at least one digit
    std::string_view fraction;
};

Parts partsOf(const Decimal& value) {
    std::string_view t = value.text;
    Parts p;
    p.negative = !t.empty() && t.front() == '-';
    if (p.negative)
        t.remove_prefix(1);
    std::size_t point = t.find('.');
    p.whole = t.substr(0, point);
    if (point != std::string_view::npos)
        p.fraction = t.substr(point + 1);
    return p;
}

bool allZero(std::string_view digits) {
    return digits.find_first_not_of('0') == std::string_view::npos;
}

// Builds the canonical text from a sign and digits with the point before
// digit `point` (which may lie outside the digits).
Decimal assemble(bool negative, std::string digits, long point) {
    long size = static_cast<long>(digits.size());
    if (point <= 0) {
        digits.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    } else if (point > size) {
        digits.append(static_cast<std::size_t>(point - size), '0');
    }
    std::string whole = digits.substr(0, static_cast<std::size_t>(point));
    std::string fraction = digits.substr(static_cast<std::size_t>(point));
    std::size_t lead = whole.find_first_not_of('0');
    whole.erase(0, lead == std::string::npos ? whole.size() - 1 : lead);
    Decimal d;
    d.text.reserve(whole.size() + fraction.size() + 2);
    if (negative && !(allZero(whole) && allZero(fraction)))
        d.text.push_back('-');
    d.text.append(whole);
    if (!fraction.empty()) {
        d.text.push_back('.');
        d.text.append(fraction);
    }
    return d;
}

// True when `t` is already in the canonical form (the usual stored value).
bool isCanonical(std::string_view t) {
    std::size_t i = !t.empty() && t.front() == '-' ? 1 : 0;
    std::size_t start = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    std::size_t wholeEnd = i;
    if (wholeEnd == start || (t[start] == '0' && wholeEnd - start > 1))
        return false;
    bool zero = wholeEnd - start == 1 && t[start] == '0';
    if (i < t.size()) {
        if (t[i] != '.' || i + 1 == t.size())
            return false;
        for (++i; i < t.size(); ++i) {
            if (!isDigit(t[i]))
                return false;
            zero = zero && t[i] == '0';
        }
    }
    return !(zero && start == 1);
}

// Largest exponent accepted: beyond it no field could hold the number.
constexpr long kMaxExponent = 4000;

} // namespace

std::optional<Decimal> parseDecimal(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (isCanonical(text))
        return Decimal{std::string(text)};
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::string digits;
    long point = -1;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            digits += text[i];
        else if (text[i] == '.' && point < 0)
            point = static_cast<long>(digits.size());
        else
            break;
    }
    if (digits.empty())
        return std::nullopt;
    if (point < 0)
        point = static_cast<long>(digits.size());
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool down = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            down = text[i++] == '-';
        long exponent = 0;
        std::size_t start = i;
        for (; i < text.size() && isDigit(text[i]); ++i)
            if ((exponent = exponent * 10 + (text[i] - '0')) > kMaxExponent)
                return std::nullopt;
        if (i == start)
            return std::nullopt;
        point += down ? -exponent : exponent;
    }
    if (i != text.size())
        return std::nullopt;
    return assemble(negative, std::move(digits), point);
}

std::optional<Decimal> decimalOf(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return parseDecimal(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

Decimal decimalOf(std::int64_t value) {
    return Decimal{std::to_string(value)};
}

Decimal roundDecimal(const Decimal& value, int decimals, bool* inexact) {
    Parts p = partsOf(value);
    auto keep = static_cast<std::size_t>(decimals < 0 ? 0 : decimals);
    std::string digits(p.whole);
    bool up = false;
    if (p.fraction.size() <= keep) {
        digits += p.fraction;
        digits.append(keep - p.fraction.size(), '0');
    } else {
        digits += p.fraction.substr(0, keep);
        std::string_view dropped = p.fraction.substr(keep);
        up = dropped.front() >= '5';
        if (inexact && !allZero(dropped))
            *inexact = true;
    }
    if (up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    long point = static_cast<long>(digits.size() - keep);
    return assemble(p.negative, std::move(digits), point);
}

std::string formatDecimal(const Decimal& value, int decimals) {
    if (decimals >= 0)
        return decimalPlaces(value) == decimals ? value.text : roundDecimal(value, decimals).text;
    std::string text = value.text;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

int decimalPlaces(const Decimal& value) {
    return static_cast<int>(partsOf(value).fraction.size());
}

double toDouble(const Decimal& value) {
    double d = 0;
    const char* end = value.text.data() + value.text.size();
    auto r = std::from_chars(value.text.data(), end, d);
    if (r.ec == std::errc::result_out_of_range) {
        Parts p = partsOf(value);
        double magnitude = allZero(p.whole) ? 0.0 : std::numeric_limits<double>::infinity();
        return p.negative ? -magnitude : magnitude;
    }
    return d;
}

std::optional<std::int64_t> toInt64(const Decimal& value) {
    Parts p = partsOf(value);
    if (!allZero(p.fraction))
        return std::nullopt;
    std::string_view t = value.text;
    t = t.substr(0, t.find('.'));
    std::int64_t n = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), n);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return std::nullopt;
    return n;
}

int compareDecimals(const Decimal& a, const Decimal& b) {
    Parts x = partsOf(a), y = partsOf(b);
    if (x.negative != y.negative)
        return x.negative ? -1 : 1;
    int sign = x.negative ? -1 : 1;
    if (x.whole.size() != y.whole.size())
        return x.whole.size() < y.whole.size() ? -sign : sign;
    if (int c = x.whole.compare(y.whole); c != 0)
        return c < 0 ? -sign : sign;
    std::size_t n = std::max(x.fraction.size(), y.fraction.size());
    for (std::size_t i = 0; i < n; ++i) {
        char c = i < x.fraction.size() ? x.fraction[i] : '0';
        char d = i < y.fraction.size() ? y.fraction[i] : '0';
        if (c != d)
            return c < d ? -sign : sign;
    }
    return 0;
}

bool sameNumber(const Decimal& a, double value) {
    auto b = decimalOf(value);
    return b && compareDecimals(a, *b) == 0;
}

std::string formatNumber(double value, int decimals) {
    auto exact = decimalOf(value);
    if (!exact) {
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, value);
        return std::string(buf, r.ptr);
    }
    return decimals < 0 ? exact->text : roundDecimal(*exact, decimals).text;
}

std::optional<double> parseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || !(isDigit(text.front()) || text.front() == '-' || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace engine
