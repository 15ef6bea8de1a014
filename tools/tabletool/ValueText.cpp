#include "ValueText.h"

#include "Arguments.h"

#include "engine/values/NumberText.h"

#include <charconv>

namespace tabletool {

using engine::FieldType;
using engine::Value;

namespace {

const char kHex[] = "0123456789abcdef";

// YYYY-MM-DD without printf, which dominates an export otherwise.
void appendIsoDate(std::string& out, engine::Date date) {
    int ymd[3];
    date.toYmd(ymd[0], ymd[1], ymd[2]);
    char text[] = "0000-00-00";
    auto put = [&](std::size_t end, int value) {
        for (std::size_t i = end; value > 0; value /= 10)
            text[--i] = static_cast<char>('0' + value % 10);
    };
    put(4, ymd[0]);
    put(7, ymd[1]);
    put(10, ymd[2]);
    out.append(text, 10);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool isNumericType(FieldType t) {
    return t == FieldType::Numeric || t == FieldType::Float || t == FieldType::Double ||
           t == FieldType::Currency || t == FieldType::Bcd || t == FieldType::Timestamp;
}

bool isDecimalType(FieldType t) {
    return t == FieldType::Numeric || t == FieldType::Float;
}

bool isIntegerType(FieldType t) {
    return t == FieldType::Short || t == FieldType::Long || t == FieldType::AutoInc ||
           t == FieldType::Time;
}

bool isTextType(FieldType t) {
    return t == FieldType::Character || t == FieldType::Memo || t == FieldType::FormattedMemo;
}

std::string valueToText(const engine::FieldDef& field, const Value& value) {
    std::string text;
    appendValueText(text, field, value);
    return text;
}

void appendValueText(std::string& out, const engine::FieldDef& field, const Value& value) {
    if (value.isNull())
        return;
    if (value.isText()) {
        out += value.text();
    } else if (value.isNumber()) {
        bool fixed = field.type == FieldType::Numeric || field.type == FieldType::Float ||
                     field.type == FieldType::Bcd;
        int decimals = fixed ? field.decimals : -1;
        if (!value.isDecimal())
            out += engine::formatNumber(value.number(), decimals);
        else if (decimals >= 0 && engine::decimalPlaces(value.decimal()) == decimals)
            out += value.decimal().text; // as stored, the usual case: no copy to make
        else
            out += engine::formatDecimal(value.decimal(), decimals);
    } else if (value.isInteger()) {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, value.integer()).ptr;
        out.append(digits, end);
    } else if (value.isDate()) {
        appendIsoDate(out, value.date());
    } else if (value.isBool()) {
        out += value.boolean() ? 'T' : 'F';
    } else {
        for (unsigned char c : value.blob().bytes) {
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

Value valueFromText(const engine::FieldDef& field, const std::string& text) {
    if (text.empty())
        return Value();
    auto bad = [&](const char* what) -> InputError {
        return InputError("field " + field.name + ": \"" + text + "\" is not " + what);
    };
    FieldType t = field.type;
    if (isTextType(t))
        return Value(text);
    if (isDecimalType(t) || t == FieldType::Bcd) {
        auto d = engine::parseDecimal(text);
        if (!d || text.front() == ' ' || text.back() == ' ')
            throw bad("a number");
        return Value(std::move(*d));
    }
    if (isNumericType(t)) {
        auto d = engine::parseNumber(text);
        if (!d)
            throw bad("a number");
        return Value(*d);
    }
    if (isIntegerType(t)) {
        auto i = engine::parseInteger(text);
        if (!i)
            throw bad("a whole number");
        return Value(*i);
    }
    if (t == FieldType::Date) {
        auto d = engine::Date::fromIso(text);
        if (!d)
            throw bad("a date (YYYY-MM-DD)");
        return Value(*d);
    }
    if (t == FieldType::Logical) {
        if (text == "T" || text == "t" || text == "Y" || text == "y")
            return Value(true);
        if (text == "F" || text == "f" || text == "N" || text == "n")
            return Value(false);
        throw bad("a logical (T or F)");
    }
    if (text.size() % 2 != 0)
        throw bad("hexadecimal bytes");
    engine::Blob blob;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            throw bad("hexadecimal bytes");
        blob.bytes += static_cast<char>(hi << 4 | lo);
    }
    return Value(std::move(blob));
}

} // namespace tabletool
