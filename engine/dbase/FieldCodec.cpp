#include "engine/dbase/FieldCodec.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/values/NumberText.h"

#include <charconv>
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

// A stored number as its exact decimal (an exponent, which some programs
// write into F fields, moves the point).
std::optional<Decimal> parseStored(std::string_view text) {
    return parseDecimal(trimmed(text));
}

[[noreturn]] void badValue(const std::string& context, const std::string& why) {
    throw EngineError(code::BadValue, context + ": " + why);
}

// The decimal of a number value, exactly as given.
Decimal decimalValue(const Value& value, const std::string& context) {
    if (value.isDecimal())
        return value.decimal();
    if (value.isInteger())
        return decimalOf(value.integer());
    auto d = decimalOf(value.number());
    if (!d)
        badValue(context, "a number that is not finite cannot be stored");
    return *d;
}

void encodeNumber(const FieldDef& field, const Value& value, char* out,
                  const std::string& context) {
    Decimal exact = decimalValue(value, context);
    const std::string& text = decimalPlaces(exact) == field.decimals
                                  ? exact.text
                                  : (exact = roundDecimal(exact, field.decimals)).text;
    if (static_cast<int>(text.size()) > field.length)
        badValue(context, "value " + text + " does not fit width " + std::to_string(field.length) +
                              " with " + std::to_string(field.decimals) + " decimals");
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
    case FieldType::Float:
        if (auto number = parseStored(raw))
            return Value(std::move(*number));
        return Value();
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
        encodeNumber(field, value, out, context);
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
    case FieldType::Float:
        return t.empty() || t.find_first_not_of('*') == std::string_view::npos ||
               parseStored(t).has_value();
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
