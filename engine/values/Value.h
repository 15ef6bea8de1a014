#pragma once

#include "engine/values/Date.h"
#include "engine/values/NumberText.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace engine {

// Raw bytes of a binary or OLE value.
struct Blob {
    std::string bytes;
    friend bool operator==(const Blob&, const Blob&) = default;
};

// One field value as the programs see it: blank (null), text in UTF-8, a
// number (binary, or an exact decimal as dBase stores it), an integer, a
// date, a logical or binary bytes. Memo text is Text.
class Value {
public:
    using Storage =
        std::variant<std::monostate, std::string, double, std::int64_t, Date, bool, Blob, Decimal>;

    Value() = default;
    Value(std::string text) : v_(std::move(text)) {}
    Value(const char* text) : v_(std::string(text)) {}
    Value(double number) : v_(number) {}
    Value(std::int64_t integer) : v_(integer) {}
    Value(int integer) : v_(static_cast<std::int64_t>(integer)) {}
    Value(Date date) : v_(date) {}
    Value(bool logical) : v_(logical) {}
    Value(Blob blob) : v_(std::move(blob)) {}
    Value(Decimal decimal) : v_(std::move(decimal)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }
    // A binary or a decimal number.
    bool isNumber() const { return std::holds_alternative<double>(v_) || isDecimal(); }
    bool isDecimal() const { return std::holds_alternative<Decimal>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isDate() const { return std::holds_alternative<Date>(v_); }
    bool isBool() const { return std::holds_alternative<bool>(v_); }
    bool isBlob() const { return std::holds_alternative<Blob>(v_); }

    // The accessors throw EngineError(BadValue) for a value of another kind.
    const std::string& text() const { return as<std::string>("a text"); }
    // The number as a double (a decimal's nearest).
    double number() const { return isDecimal() ? toDouble(decimal()) : as<double>("a number"); }
    const Decimal& decimal() const { return as<Decimal>("a decimal number"); }
    std::int64_t integer() const { return as<std::int64_t>("an integer"); }
    Date date() const { return as<Date>("a date"); }
    bool boolean() const { return as<bool>("a logical"); }
    const Blob& blob() const { return as<Blob>("binary bytes"); }

    // Number or integer as a double.
    double asDouble() const { return isInteger() ? static_cast<double>(integer()) : number(); }

    // Same kind and value; a decimal equals a number of the same value
    // ("12.50" equals 12.5 and "12.5", a double that reads as it).
    friend bool operator==(const Value& a, const Value& b) {
        if (a.isDecimal() && b.isDecimal())
            return compareDecimals(a.decimal(), b.decimal()) == 0;
        if (a.isDecimal() || b.isDecimal()) {
            const Value& d = a.isDecimal() ? a : b;
            const Value& o = a.isDecimal() ? b : a;
            if (o.isInteger())
                return compareDecimals(d.decimal(), decimalOf(o.integer())) == 0;
            return o.isNumber() && sameNumber(d.decimal(), o.number());
        }
        return a.v_ == b.v_;
    }

private:
    template <class T> const T& as(const char* wanted) const {
        if (const T* value = std::get_if<T>(&v_))
            return *value;
        wrongKind(wanted);
    }
    [[noreturn]] void wrongKind(const char* wanted) const;

    Storage v_;
};

// The values of one record, in field order.
using Record = std::vector<Value>;

} // namespace engine
