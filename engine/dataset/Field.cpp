#include "engine/dataset/Field.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/DataSet.h"
#include "engine/dataset/ValueConversion.h"
#include "engine/values/NumberText.h"

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

void TField::SetFieldKind(TFieldKind kind) {
    if (dataSet_.Active())
        throw EngineError(code::InvalidParameter, "Cannot change the kind of field " + name_ +
                                                      " while its dataset is open");
    kind_ = kind;
}

void TField::SetSize(int size) {
    if (dataSet_.Active())
        throw EngineError(code::InvalidParameter, "Cannot change the size of field " + name_ +
                                                      " while its dataset is open");
    size_ = size;
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
    if (v.isNumber()) {
        int decimals = type_ == ftFloat || type_ == ftCurrency ? -1 : 0;
        return v.isDecimal() ? formatDecimal(v.decimal(), decimals)
                             : formatNumber(v.number(), decimals);
    }
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

namespace {

// The column type a derived (calculated or lookup) field behaves like.
FieldDef columnLike(TFieldType type, int size) {
    switch (type) {
    case ftString:
        return {"", FieldType::Character, size, 0};
    case ftSmallint:
        return {"", FieldType::Short, 2, 0};
    case ftInteger:
        return {"", FieldType::Long, 4, 0};
    case ftAutoInc:
        return {"", FieldType::AutoInc, 4, 0};
    case ftCurrency:
        return {"", FieldType::Currency, 8, 0};
    case ftDate:
        return {"", FieldType::Date, 8, 0};
    case ftTime:
        return {"", FieldType::Time, 4, 0};
    case ftDateTime:
        return {"", FieldType::Timestamp, 8, 0};
    case ftBoolean:
        return {"", FieldType::Logical, 1, 0};
    case ftBlob:
        return {"", FieldType::Binary, 10, 0};
    case ftMemo:
        return {"", FieldType::Memo, 10, 0};
    default:
        return {"", FieldType::Double, 8, 0};
    }
}

bool isNumberColumn(FieldType type) {
    switch (type) {
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Bcd:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
    case FieldType::Timestamp:
        return true;
    default:
        return false;
    }
}

std::string shown(const Value& value) {
    if (value.isText())
        return "\"" + trim(value.text()) + "\"";
    if (value.isDecimal())
        return formatDecimal(value.decimal(), -1);
    if (value.isNumber() || value.isInteger())
        return formatNumber(value.asDouble(), -1);
    if (value.isDate())
        return value.date().toDmy();
    if (value.isBool())
        return value.boolean() ? "True" : "False";
    return "binary value";
}

} // namespace

// A value converted for this field as the table stores it; a value the field
// cannot hold is refused with a message that says why.
Value TField::convert(const Value& value) const {
    if (value.isNull())
        return value;
    FieldDef column = fieldNo_ >= 0 ? dataSet_.columns()[fieldNo_] : columnLike(type_, size_);
    Value given = value;
    if (isNumberColumn(column.type) && (value.isNumber() || value.isInteger())) {
        // Typing more decimals than the field keeps is not an error: they round.
        int decimals =
            (column.type == FieldType::Numeric || column.type == FieldType::Float)
                ? column.decimals
                : (column.type == FieldType::Double || column.type == FieldType::Currency ? -1 : 0);
        std::optional<Decimal> exact = value.isDecimal()   ? value.decimal()
                                       : value.isInteger() ? decimalOf(value.integer())
                                                           : decimalOf(value.number());
        if (decimals >= 0 && exact)
            given = Value(roundDecimal(*exact, decimals));
    }
    bool inexact = false;
    Value stored = convertForField(given, column, &inexact);
    if (inexact) {
        if (isNumberColumn(column.type))
            refuse(value.isText() && !parseNumber(trim(value.text()))
                       ? shown(value) + " is not a valid number"
                       : shown(value) + " does not fit in the field");
        switch (column.type) {
        case FieldType::Date:
            refuse(shown(value) + " is not a valid date");
        case FieldType::Logical:
            refuse(shown(value) + " is not a logical value");
        case FieldType::Character:
            refuse(shown(value) + " is longer than " + std::to_string(column.length) +
                   " characters");
        default:
            refuse(shown(value) + " cannot be stored in this field");
        }
    }
    if (type_ == ftSmallint && !stored.isNull() &&
        (stored.asDouble() < -32768 || stored.asDouble() > 32767))
        refuse(shown(value) + " is out of range (-32768 to 32767)");
    return stored;
}

void TField::SetValue(const Value& value) {
    dataSet_.storeFieldValue(*this, dataSet_.engineCall([&] { return convert(value); }));
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
