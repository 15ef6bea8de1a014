#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <optional>
#include <string>

namespace tabletool {

// Values as CSV text: numbers with the field's decimals, dates YYYY-MM-DD,
// logicals T/F, binary values in hex, blank as the empty string.
std::string valueToText(const engine::FieldDef& field, const engine::Value& value);

// The value of a CSV cell for a field; throws UsageError saying why the text
// does not suit the field.
engine::Value valueFromText(const engine::FieldDef& field, const std::string& text);

// Why a value would not fit its field (too long, too many digits), or nothing.
std::optional<std::string> misfit(const engine::FieldDef& field, const engine::Value& value);

// Number of characters (code points) of UTF-8 text.
std::size_t characterCount(const std::string& utf8);

bool isNumericType(engine::FieldType type);
bool isDecimalType(engine::FieldType type); // dBase N and F: exact decimal text
bool isIntegerType(engine::FieldType type);
bool isTextType(engine::FieldType type);

} // namespace tabletool
