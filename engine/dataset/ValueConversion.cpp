#include "engine/dataset/ValueConversion.h"

#include "engine/base/Text.h"
#include "engine/values/NumberText.h"

namespace engine {

namespace {

void lost(bool* inexact) {
    if (inexact)
        *inexact = true;
}

std::string asText(const Value& value, const FieldDef* source = nullptr) {
    if (value.isText())
        return value.text();
    if (value.isNumber()) {
        bool decimal =
            source && (source->type == FieldType::Numeric || source->type == FieldType::Float);
        int decimals = decimal ? source->decimals : -1;
        return value.isDecimal() ? formatDecimal(value.decimal(), decimals)
                                 : formatNumber(value.number(), decimals);
    }
    if (value.isInteger())
        return std::to_string(value.integer());
    if (value.isDate())
        return value.date().toDmy();
    if (value.isBool())
        return value.boolean() ? "T" : "F";
    return value.blob().bytes;
}

// Cuts a UTF-8 text to `width` characters.
std::string cutText(const std::string& text, int width, bool* inexact) {
    if (width <= 0 || utf8Length(text) <= static_cast<std::size_t>(width))
        return text;
    std::size_t chars = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == static_cast<std::size_t>(width))
                break;
            ++chars;
        }
    }
    std::string cut = text.substr(0, i);
    if (trimRight(text.substr(i)).size() > 0)
        lost(inexact);
    return cut;
}

// The exact decimal of a number, a logical or a text that reads as a number.
std::optional<Decimal> asDecimal(const Value& value, bool* inexact) {
    if (value.isDecimal())
        return value.decimal();
    if (value.isInteger())
        return decimalOf(value.integer());
    if (value.isNumber()) {
        if (auto d = decimalOf(value.number()))
            return d;
    } else if (value.isBool()) {
        lost(inexact);
        return Decimal{value.boolean() ? "1" : "0"};
    } else if (value.isText()) {
        std::string text = trim(value.text());
        if (text.empty())
            return std::nullopt;
        if (auto d = parseDecimal(text))
            return d;
    }
    lost(inexact);
    return std::nullopt;
}

std::optional<double> asNumber(const Value& value, bool* inexact) {
    if (value.isDecimal()) {
        double d = value.number();
        if (!sameNumber(value.decimal(), d))
            lost(inexact);
        return d;
    }
    if (value.isNumber() || value.isInteger())
        return value.asDouble();
    if (value.isBool()) {
        lost(inexact);
        return value.boolean() ? 1.0 : 0.0;
    }
    if (value.isText()) {
        std::string text = trim(value.text());
        if (text.empty())
            return std::nullopt;
        if (auto number = parseNumber(text))
            return number;
    }
    lost(inexact);
    return std::nullopt;
}

Value decimalNumber(const Value& value, const FieldDef& field, bool* inexact) {
    auto exact = asDecimal(value, inexact);
    if (!exact)
        return Value();
    Decimal rounded = roundDecimal(*exact, field.decimals, inexact);
    if (field.length > 0 && static_cast<int>(rounded.text.size()) > field.length) {
        lost(inexact);
        return Value();
    }
    return Value(std::move(rounded));
}

constexpr std::size_t BcdDigits = 32; // what a Paradox BCD field holds

std::size_t significantDigits(const std::string& text) {
    std::size_t digits = 0;
    for (char c : text)
        if ((c >= '1' && c <= '9') || (c == '0' && digits > 0))
            ++digits;
    return digits;
}

// A BCD field keeps its decimal exactly, up to 32 digits.
Value bcdNumber(const Value& value, const FieldDef& field, bool* inexact) {
    auto exact = asDecimal(value, inexact);
    if (!exact)
        return Value();
    Decimal rounded = roundDecimal(*exact, field.decimals, inexact);
    if (significantDigits(rounded.text) > BcdDigits) {
        lost(inexact);
        return Value();
    }
    return Value(std::move(rounded));
}

Value integerNumber(const Value& value, std::int64_t low, std::int64_t high, bool* inexact) {
    auto exact = asDecimal(value, inexact);
    if (!exact)
        return Value();
    auto whole = toInt64(roundDecimal(*exact, 0, inexact));
    if (!whole || *whole < low || *whole > high) {
        lost(inexact);
        return Value();
    }
    return Value(*whole);
}

Value dateValue(const Value& value, bool* inexact) {
    if (value.isDate())
        return value;
    if (value.isText()) {
        std::string text = trim(value.text());
        if (text.empty())
            return Value();
        if (auto d = Date::fromDmy(text))
            return Value(*d);
        if (auto d = Date::fromIso(text))
            return Value(*d);
        if (auto d = Date::fromDigits(text))
            return Value(*d);
    }
    lost(inexact);
    return Value();
}

Value logicalValue(const Value& value, bool* inexact) {
    if (value.isBool())
        return value;
    if (value.isNumber() || value.isInteger())
        return Value(value.asDouble() != 0);
    if (value.isText()) {
        std::string text = toUpperAscii(trim(value.text()));
        if (text.empty())
            return Value();
        if (text == "T" || text == "TRUE" || text == "Y" || text == "YES")
            return Value(true);
        if (text == "F" || text == "FALSE" || text == "N" || text == "NO")
            return Value(false);
    }
    lost(inexact);
    return Value();
}

} // namespace

Value convertForField(const Value& value, const FieldDef& field, bool* inexact,
                      const FieldDef* source) {
    if (value.isNull())
        return value;
    switch (field.type) {
    case FieldType::Character:
        if (value.isBlob())
            lost(inexact);
        return Value(cutText(trimRight(asText(value, source)), field.length, inexact));
    case FieldType::Memo:
    case FieldType::FormattedMemo:
        return Value(asText(value, source));
    case FieldType::Numeric:
    case FieldType::Float:
        return decimalNumber(value, field, inexact);
    case FieldType::Bcd:
        return bcdNumber(value, field, inexact);
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Timestamp: {
        auto number = asNumber(value, inexact);
        return number ? Value(*number) : Value();
    }
    // The lowest value of each width is a blank to Paradox.
    case FieldType::Short:
        return integerNumber(value, -32767, 32767, inexact);
    case FieldType::Long:
    case FieldType::AutoInc:
        return integerNumber(value, -2147483647, 2147483647, inexact);
    case FieldType::Time:
        return integerNumber(value, 0, 86400000, inexact);
    case FieldType::Date:
        return dateValue(value, inexact);
    case FieldType::Logical:
        return logicalValue(value, inexact);
    case FieldType::Binary:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Bytes:
        if (value.isBlob())
            return value;
        if (!value.isText())
            lost(inexact);
        return Value(Blob{asText(value)});
    }
    return value;
}

std::optional<std::string> whyInexact(const Value& value, const FieldDef& field) {
    bool inexact = false;
    Value stored = convertForField(value, field, &inexact);
    if (!inexact)
        return std::nullopt;
    const std::string where = "field " + field.name + ": ";
    bool decimal = field.type == FieldType::Numeric || field.type == FieldType::Float ||
                   field.type == FieldType::Bcd;
    if (field.type == FieldType::Character && value.isText())
        return where + "\"" + value.text() + "\" is longer than " + std::to_string(field.length) +
               " characters";
    if (decimal && value.isDecimal()) {
        bool rounded = false;
        Decimal kept = roundDecimal(value.decimal(), field.decimals, &rounded);
        if (rounded)
            return where + value.decimal().text + " has more than " +
                   std::to_string(field.decimals) + " decimals";
        if (field.type == FieldType::Bcd)
            return where + kept.text + " has more than " + std::to_string(BcdDigits) + " digits";
        return where + kept.text + " does not fit width " + std::to_string(field.length);
    }
    if (field.type == FieldType::Short && value.isInteger())
        return where + std::to_string(value.integer()) +
               " does not fit a short integer (-32767 to 32767)";
    if ((field.type == FieldType::Long || field.type == FieldType::AutoInc) && value.isInteger())
        return where + std::to_string(value.integer()) +
               " does not fit a long integer (-2147483647 to 2147483647)";
    return where + "\"" + asText(value) + "\" cannot be stored exactly";
}

bool sameValue(const Value& a, const Value& b) {
    if (a.isText() && b.isText())
        return trimRight(a.text()) == trimRight(b.text());
    if (a.isDecimal() || b.isDecimal())
        return a == b;
    if ((a.isNumber() || a.isInteger()) && (b.isNumber() || b.isInteger()))
        return a.asDouble() == b.asDouble();
    return a == b;
}

} // namespace engine
