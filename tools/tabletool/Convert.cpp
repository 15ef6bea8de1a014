#include "Convert.h"

#include "Arguments.h"
#include "ValueText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tabletool {

using engine::FieldType;
using engine::Value;

namespace {

Converted lost() {
    return {Value(), false};
}

std::string cutToCharacters(const std::string& utf8, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && seen++ == count)
            return utf8.substr(0, i);
    return utf8;
}

// The value as a number, if it is one or reads as one.
bool asNumber(const engine::FieldDef& from, const Value& value, double& out) {
    if (value.isNumber() || value.isInteger()) {
        out = value.asDouble();
        return true;
    }
    if (value.isText()) {
        try {
            engine::FieldDef probe = from;
            probe.type = FieldType::Double;
            Value v = valueFromText(probe, value.text());
            out = v.number();
            return true;
        } catch (const UsageError&) {
        }
    }
    return false;
}

Converted toNumber(const engine::FieldDef& from, const Value& value, const engine::FieldDef& to) {
    double d;
    if (!asNumber(from, value, d))
        return lost();
    bool exact = value.isNumber() || value.isInteger();
    if (isIntegerType(to.type)) {
        double r = std::round(d);
        double limit = to.type == FieldType::Short  ? 32767.0
                       : to.type == FieldType::Time ? 9.2e18
                                                    : 2147483647.0;
        if (std::fabs(r) > limit)
            return lost();
        return {Value(static_cast<std::int64_t>(r)), exact && r == d};
    }
    if (to.type == FieldType::Numeric || to.type == FieldType::Float) {
        static const double kScale[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                        1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
        double scale = kScale[std::clamp(to.decimals, 0, 18)];
        double r = std::round(d * scale) / scale;
        Value v(r);
        if (misfit(to, v))
            return lost();
        return {v, exact && std::fabs(r - d) <= 1e-9 * std::max(1.0, std::fabs(d))};
    }
    return {Value(d), exact};
}

} // namespace

Converted convertValue(const engine::FieldDef& from, const Value& value,
                       const engine::FieldDef& to) {
    if (value.isNull())
        return {Value(), true};
    FieldType t = to.type;
    if (isTextType(t)) {
        std::string text = valueToText(from, value);
        if (value.isBlob())
            text = value.blob().bytes;
        if (t == FieldType::Character && to.length > 0 &&
            characterCount(text) > static_cast<std::size_t>(to.length))
            return {Value(cutToCharacters(text, static_cast<std::size_t>(to.length))), false};
        return {Value(text), true};
    }
    if (isNumericType(t) || isIntegerType(t))
        return toNumber(from, value, to);
    if (t == FieldType::Date) {
        if (value.isDate())
            return {value, true};
        if (value.isText()) {
            if (auto d = engine::Date::fromIso(value.text()))
                return {Value(*d), true};
            if (auto d = engine::Date::fromDigits(value.text()))
                return {Value(*d), true};
        }
        return lost();
    }
    if (t == FieldType::Logical) {
        if (value.isBool())
            return {value, true};
        if (value.isText()) {
            const std::string& s = value.text();
            if (s == "T" || s == "t" || s == "Y" || s == "y")
                return {Value(true), true};
            if (s == "F" || s == "f" || s == "N" || s == "n")
                return {Value(false), true};
        }
        return lost();
    }
    if (value.isBlob())
        return {value, true};
    if (value.isText())
        return {Value(engine::Blob{value.text()}), true};
    return lost();
}

} // namespace tabletool
