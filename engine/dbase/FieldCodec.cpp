#include "engine/dbase/FieldCodec.h"

#include "engine/EngineError.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace engine::dbase {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\0'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

bool parseNumber(std::string_view text, double& out) {
    text = trimmed(text);
    if (text.empty())
        return false;
    if (text.front() == '+')
        text.remove_prefix(1);
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

[[noreturn]] void badValue(const std::string& context, const std::string& why) {
    throw EngineError(code::BadValue, context + ": " + why);
}

void encodeNumber(const FieldDef& field, double number, char* out, const std::string& context) {
    if (!std::isfinite(number))
        badValue(context, "a number that is not finite cannot be stored");
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, "%.*f", field.decimals, number);
    std::string_view text(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    // -0.00 reads as zero everywhere; store it as zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    if (n <= 0 || static_cast<int>(text.size()) > field.length)
        badValue(context, "value " + std::string(text) + " does not fit width " +
                              std::to_string(field.length) + " with " +
                              std::to_string(field.decimals) + " decimals");
    std::memset(out, ' ', field.length - text.size());
    std::memcpy(out + field.length - text.size(), text.data(), text.size());
}

} // namespace

Value decodeField(const FieldDef& field, std::string_view raw, const Codepage& codepage) {
    switch (field.type) {
    case FieldType::Character: {
        std::size_t end = raw.size();
        while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0'))
            --end;
        return Value(codepage.toUtf8(raw.substr(0, end)));
    }
    case FieldType::Numeric:
    case FieldType::Float: {
        double number;
        return parseNumber(raw, number) ? Value(number) : Value();
    }
    case FieldType::Date: {
        auto date = Date::fromDigits(raw);
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
        std::string bytes = codepage.fromUtf8(value.text(), context);
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
        int year = value.date().year();
        if (year < 1 || year > 9999)
            badValue(context, "the year " + std::to_string(year) + " cannot be stored");
        std::memcpy(out, value.date().toDigits().data(), 8);
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
    int n = std::snprintf(buf, sizeof buf, "%u", block);
    std::memcpy(out + 10 - n, buf, static_cast<std::size_t>(n));
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
        return t.empty() || raw == "00000000" || Date::fromDigits(raw).has_value();
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
