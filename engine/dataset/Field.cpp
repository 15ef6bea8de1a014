#include "engine/dataset/Field.h"

#include "engine/EngineError.h"
#include "engine/Text.h"
#include "engine/dataset/DataSet.h"
#include "engine/dataset/NumberText.h"

#include <cmath>

namespace engine {

TFieldType fieldTypeOf(const FieldDef& def) {
    switch (def.type) {
    case FieldType::Character:
        return ftString;
    case FieldType::Numeric:
    case FieldType::Float:
        if (def.decimals == 0 && def.length < 5)
            return ftSmallint;
        if (def.decimals == 0 && def.length < 10)
            return ftInteger;
        return ftFloat;
    case FieldType::Date:
        return ftDate;
    case FieldType::Logical:
        return ftBoolean;
    case FieldType::Memo:
    case FieldType::FormattedMemo:
        return ftMemo;
    case FieldType::Binary:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Bytes:
        return ftBlob;
    case FieldType::Double:
        return ftFloat;
    case FieldType::Short:
        return ftSmallint;
    case FieldType::Long:
        return ftInteger;
    case FieldType::AutoInc:
        return ftAutoInc;
    case FieldType::Currency:
        return ftCurrency;
    case FieldType::Time:
        return ftTime;
    case FieldType::Timestamp:
        return ftDateTime;
    case FieldType::Bcd:
        return ftBCD;
    }
    return ftUnknown;
}

TField::TField(TDataSet& dataSet, std::string name, TFieldType type, int size, TFieldKind kind)
    : dataSet_(dataSet), name_(std::move(name)), type_(type), size_(size), kind_(kind) {}

void TField::refuse(const std::string& what) const {
    throw EngineError(code::BadValue, "Field " + name_ + ": " + what);
}

void TField::SetFieldName(const std::string& name) {
    if (dataSet_.Active())
        throw EngineError(code::InvalidParameter,
                          "Cannot rebind field " + name_ + " while its dataset is open");
    name_ = name;
}

Value TField::AsValue() const {
    return dataSet_.fieldValue(*this);
}

std::string TField::AsString() const {
    Value v = AsValue();
    if (v.isNull())
        return "";
    if (v.isText())
        return trimRight(v.text());
    if (v.isNumber())
        return formatNumber(v.number(), type_ == ftFloat || type_ == ftCurrency ? -1 : 0);
    if (v.isInteger())
        return std::to_string(v.integer());
    if (v.isDate())
        return v.date().toDmy();
    if (v.isBool())
        return v.boolean() ? "True" : "False";
    return v.blob().bytes;
}

std::int64_t TField::AsInteger() const {
    Value v = AsValue();
    if (v.isNull())
        return 0;
    if (v.isInteger())
        return v.integer();
    if (v.isNumber())
        return static_cast<std::int64_t>(std::llround(v.number()));
    if (v.isBool())
        return v.boolean() ? 1 : 0;
    if (v.isText()) {
        auto parsed = parseNumber(trim(v.text()));
        if (!parsed)
            refuse("\"" + trim(v.text()) + "\" is not a valid integer");
        return static_cast<std::int64_t>(std::llround(*parsed));
    }
    refuse("cannot be read as an integer");
}

bool TField::AsBoolean() const {
    Value v = AsValue();
    if (v.isNull())
        return false;
    if (v.isBool())
        return v.boolean();
    if (v.isNumber() || v.isInteger())
        return v.asDouble() != 0;
    refuse("cannot be read as a logical value");
}

double TField::AsFloat() const {
    Value v = AsValue();
    if (v.isNull())
        return 0;
    if (v.isNumber() || v.isInteger())
        return v.asDouble();
    if (v.isText()) {
        auto parsed = parseNumber(trim(v.text()));
        if (!parsed)
            refuse("\"" + trim(v.text()) + "\" is not a valid number");
        return *parsed;
    }
    refuse("cannot be read as a number");
}

Date TField::AsDateTime() const {
    Value v = AsValue();
    if (v.isNull())
        return Date::fromYmd(1899, 12, 30);
    if (v.isDate())
        return v.date();
    refuse("cannot be read as a date");
}

Value TField::convert(const Value& value) const {
    if (value.isNull())
        return value;
    switch (type_) {
    case ftString:
    case ftMemo: {
        std::string text;
        if (value.isText())
            text = value.text();
        else if (value.isNumber())
            text = formatNumber(value.number(), -1);
        else if (value.isInteger())
            text = std::to_string(value.integer());
        else if (value.isDate())
            text = value.date().toDmy();
        else if (value.isBool())
            text = value.boolean() ? "T" : "F";
        else
            text = value.blob().bytes;
        if (type_ == ftString && size_ > 0 && utf8Length(text) > static_cast<std::size_t>(size_))
            refuse("\"" + text + "\" is longer than " + std::to_string(size_) + " characters");
        return Value(std::move(text));
    }
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftTime:
    case ftDateTime: {
        double number;
        if (value.isNumber() || value.isInteger())
            number = value.asDouble();
        else if (value.isBool())
            number = value.boolean() ? 1 : 0;
        else if (value.isText()) {
            std::string text = trim(value.text());
            if (text.empty())
                return Value();
            auto parsed = parseNumber(text);
            if (!parsed)
                refuse("\"" + text + "\" is not a valid number");
            number = *parsed;
        } else {
            refuse("a date or binary value cannot be stored in a number field");
        }
        if (type_ == ftSmallint && (number < -32768 || number > 32767))
            refuse(formatNumber(number, -1) + " is out of range (-32768 to 32767)");
        if ((type_ == ftInteger || type_ == ftAutoInc) &&
            (number < -2147483648.0 || number > 2147483647.0))
            refuse(formatNumber(number, -1) + " is out of range for a 32-bit integer");
        return Value(number);
    }
    case ftDate: {
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
            refuse("\"" + text + "\" is not a valid date");
        }
        refuse("only a date can be stored in a date field");
    }
    case ftBoolean: {
        if (value.isBool())
            return value;
        if (value.isText()) {
            std::string text = toUpperAscii(trim(value.text()));
            if (text.empty())
                return Value();
            if (text == "T" || text == "TRUE" || text == "Y" || text == "YES")
                return Value(true);
            if (text == "F" || text == "FALSE" || text == "N" || text == "NO")
                return Value(false);
            refuse("\"" + text + "\" is not a logical value");
        }
        if (value.isNumber() || value.isInteger())
            return Value(value.asDouble() != 0);
        refuse("only a logical value can be stored in a logical field");
    }
    case ftBlob:
        if (value.isBlob())
            return value;
        if (value.isText())
            return Value(Blob{value.text()});
        refuse("only bytes can be stored in a binary field");
    case ftUnknown:
        break;
    }
    return value;
}

void TField::SetValue(const Value& value) {
    dataSet_.storeFieldValue(*this, convert(value));
}
void TField::SetAsString(const std::string& text) {
    SetValue(Value(text));
}
void TField::SetAsInteger(std::int64_t value) {
    SetValue(Value(value));
}
void TField::SetAsBoolean(bool value) {
    SetValue(Value(value));
}
void TField::SetAsFloat(double value) {
    SetValue(Value(value));
}
void TField::SetAsDateTime(Date value) {
    SetValue(Value(value));
}

} // namespace engine
