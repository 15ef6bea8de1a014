#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <optional>
#include <string>

namespace engine {

// `value` in the form a table stores for `field`, converted with the least
// loss: texts cut to the width, numbers rounded to the decimals, texts parsed
// as numbers, dates or logicals. A value that cannot be carried over is
// blank. `inexact` (when given) is set when the result is not exactly the
// value; it is left alone otherwise. With the `source` field given, a number
// becomes text with the source's decimals ("12.50").
Value convertForField(const Value& value, const FieldDef& field, bool* inexact,
                      const FieldDef* source = nullptr);

// Why convertForField cannot store `value` exactly in `field` ("field AMT:
// 0.255 has more than 2 decimals"), or nothing when it can.
std::optional<std::string> whyInexact(const Value& value, const FieldDef& field);

// Equality of two stored values; texts compare without trailing blanks.
bool sameValue(const Value& a, const Value& b);

} // namespace engine
