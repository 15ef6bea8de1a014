#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

namespace engine {

// `value` in the form a table stores for `field`, converted with the least
// loss: texts cut to the width, numbers rounded to the decimals, texts parsed
// as numbers, dates or logicals. A value that cannot be carried over is
// blank. `inexact` (when given) is set when the result is not exactly the
// value; it is left alone otherwise. With the `source` field given, a number
// becomes text with the source's decimals ("12.50").
Value convertForField(const Value& value, const FieldDef& field, bool* inexact,
                      const FieldDef* source = nullptr);

// Equality of two stored values; texts compare without trailing blanks.
bool sameValue(const Value& a, const Value& b);

} // namespace engine
