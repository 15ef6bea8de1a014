#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <optional>
#include <string>

namespace tabletool {

// Values as CSV text: numbers with the field's decimals, dates YYYY-MM-DD,
// logicals T/F, binary values in hex, blank as the empty string.
std::string valueToText(const engine::FieldDef& field, const engine::Value& value);
// The same text appended to `out` (an export writes it straight into its buffer).
void appendValueText(std::string& out, const engine::FieldDef& field, const engine::Value& value);

// The value of a CSV cell for a field; throws InputError saying why the text
// does not suit the field.
engine::Value valueFromText(const engine::FieldDef& field, const std::string& text);

bool isNumericType(engine::FieldType type);
bool isDecimalType(engine::FieldType type); // dBase N and F: exact decimal text
bool isIntegerType(engine::FieldType type);
bool isTextType(engine::FieldType type);

} // namespace tabletool
