#include "engine/dbase/FieldCodec.h"

#include "engine/EngineError.h"
#include "engine/Text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace engine::dbase {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\0'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// "[-]digits[.digits]" of at most 15 digits: the integer of all digits is
// exact in a double, and one division by an exact power of ten rounds
// correctly, so this agrees with from_chars without its cost.
bool parseShortDecimal(std::string_view text, double& out) {
    bool negative = text.front() == '-';
    std::size_t i = negative ? 1 : 0;
    std::int64_t digits = 0;
    int count = 0, decimals = -1;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9') {
            digits = digits * 10 + (c - '0');
            decimals += decimals >= 0;
            if (++count > 15)
                return false;
        } else {
            return false;
        }
    }
    if (count == 0)
        return false;
    double value = static_cast<double>(digits) / kPowersOfTen[decimals < 0 ? 0 : decimals];
    out = negative ? -value : value;
    return true;
}

bool parseNumber(std::string_view text, double& out) {
    text = trimmed(text);
    if (text.empty())
        return false;
    if (text.front() == '+')
        text.remove_prefix(1);
    if (!text.empty() && parseShortDecimal(text, out))
        return true;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// Writes `number` with `decimals` digits when it is exactly such a decimal
// of at most 15 digits (the usual case); false leaves it to to_chars.
bool formatShortDecimal(double number, int decimals, char* out, std::size_t& length) {
    if (decimals > 15)
        return false;
    double scaled = std::fabs(number) * kPowersOfTen[decimals];
    if (!(scaled < 1e15))
        return false;
    auto digits = static_cast<std::int64_t>(scaled + 0.5);
    if (static_cast<double>(digits) / kPowersOfTen[decimals] != std::fabs(number))
        return false;
    const bool zero = digits == 0;
    char buf[24];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits > 0 || n <= decimals);
    length = 0;
    if (number < 0 && !zero)
        out[length++] = '-';
    while (n > 0) {
        if (n == decimals)
            out[length++] = '.';
        out[length++] = buf[--n];
    }
    return true;
}

[[noreturn]] void badValue(const std::string& context, const std::string& why) {
    throw EngineError(code::BadValue, context + ": " + why);
}

void encodeNumber(const FieldDef& field, double number, char* out, const std::string& context) {
    if (!std::isfinite(number))
        badValue(context, "a number that is not finite cannot be stored");
    char buf[512];
    std::size_t length = 0;
    if (!formatShortDecimal(number, field.decimals, buf, length)) {
        auto r =
            std::to_chars(buf, buf + sizeof buf, number, std::chars_format::fixed, field.decimals);
        length = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - buf) : 0;
    }
    std::string_view text(buf, length);
    // -0.00 reads as zero everywhere; store it as zero.
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    if (text.empty() || static_cast<int>(text.size()) > field.length)
        badValue(context, "value " + std::string(text) + " does not fit width " +
                              std::to_string(field.length) + " with " +
                              std::to_string(field.decimals) + " decimals");
    std::memset(out, ' ', field.length - text.size());
    std::memcpy(out + field.length - text.size(), text.data(), text.size());
}

// YYYYMMDD of a record, or nothing when the bytes are not a valid date.
std::optional<Date> parseDate(std::string_view raw) {
    if (raw.size() != 8)
        return std::nullopt;
    int v[3] = {0, 0, 0};
    for (std::size_t i = 0; i < 8; ++i) {
        if (raw[i] < '0' || raw[i] > '9')
            return std::nullopt;
        int& part = v[i < 4 ? 0 : i < 6 ? 1 : 2];
        part = part * 10 + (raw[i] - '0');
    }
    if (!Date::isValidYmd(v[0], v[1], v[2]))
        return std::nullopt;
    return Date::fromYmd(v[0], v[1], v[2]);
}

void putDigits(char* out, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
}

} // namespace

Value decodeField(const FieldDef& field, std::string_view raw, const Codepage& codepage) {
    switch (field.type) {
    case FieldType::Character: {
        std::size_t end = raw.size();
        while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0'))
            --end;
        std::string_view text = raw.substr(0, end);
        return Value(isAscii(text) ? std::string(text) : codepage.toUtf8(text));
    }
    case FieldType::Numeric:
    case FieldType::Float: {
        double number;
        return parseNumber(raw, number) ? Value(number) : Value();
    }
    case FieldType::Date: {
        auto date = parseDate(raw);
        return date ? Value(*date) : Value();
    }
    case FieldType::Logical:
        switch (raw.empty() ? ' ' : raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return Value(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return Value(false);
        default:
            return Value();
        }
    default:
        return Value();
    }
}

void encodeField(const FieldDef& field, const Value& value, char* out, const Codepage& codepage,
                 const std::string& context) {
    const std::size_t width = static_cast<std::size_t>(field.length);
    if (value.isNull()) {
        std::memset(out, field.type == FieldType::Logical ? '?' : ' ', width);
        return;
    }
    switch (field.type) {
    case FieldType::Character: {
        if (!value.isText())
            badValue(context, "a character field needs text");
        const std::string& text = value.text();
        std::string converted;
        std::string_view bytes = text;
        if (!isAscii(text))
            bytes = converted = codepage.fromUtf8(text, context);
        if (bytes.size() > width)
            badValue(context, "text of " + std::to_string(bytes.size()) +
                                  " characters does not fit width " + std::to_string(width));
        std::memcpy(out, bytes.data(), bytes.size());
        std::memset(out + bytes.size(), ' ', width - bytes.size());
        return;
    }
    case FieldType::Numeric:
    case FieldType::Float:
        if (!value.isNumber() && !value.isInteger())
            badValue(context, "a numeric field needs a number");
        encodeNumber(field, value.asDouble(), out, context);
        return;
    case FieldType::Date: {
        if (!value.isDate())
            badValue(context, "a date field needs a date");
        int year, month, day;
        value.date().toYmd(year, month, day);
        if (year < 1 || year > 9999)
            badValue(context, "the year " + std::to_string(year) + " cannot be stored");
        putDigits(out, year, 4);
        putDigits(out + 4, month, 2);
        putDigits(out + 6, day, 2);
        return;
    }
    case FieldType::Logical:
        if (!value.isBool())
            badValue(context, "a logical field needs true or false");
        out[0] = value.boolean() ? 'T' : 'F';
        return;
    default:
        badValue(context, "memo values are not stored in the record");
    }
}

std::uint32_t decodeBlockPointer(std::string_view raw) {
    raw = trimmed(raw);
    std::uint32_t block = 0;
    auto r = std::from_chars(raw.data(), raw.data() + raw.size(), block);
    if (raw.empty() || r.ec != std::errc() || r.ptr != raw.data() + raw.size())
        return 0;
    return block;
}

void encodeBlockPointer(std::uint32_t block, char* out) {
    std::memset(out, ' ', 10);
    if (block == 0)
        return;
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, block);
    std::size_t n = static_cast<std::size_t>(r.ptr - buf);
    std::memcpy(out + 10 - n, buf, n);
}

bool isWellFormed(const FieldDef& field, std::string_view raw) {
    std::string_view t = trimmed(raw);
    switch (field.type) {
    case FieldType::Numeric:
    case FieldType::Float: {
        double number;
        return t.empty() || t.find_first_not_of('*') == std::string_view::npos ||
               parseNumber(t, number);
    }
    case FieldType::Date:
        return t.empty() || raw == "00000000" || parseDate(raw).has_value();
    case FieldType::Logical:
        return std::strchr("TtYyFfNn? ", raw[0]) != nullptr && raw[0] != '\0';
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::Ole: {
        if (t.empty())
            return true;
        return t.find_first_not_of("0123456789") == std::string_view::npos;
    }
    default:
        return true;
    }
}

} // namespace engine::dbase
