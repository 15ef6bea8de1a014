#pragma once

#include "engine/FieldDef.h"
#include "engine/Value.h"

namespace tabletool {

struct Converted {
    engine::Value value;
    bool exact = true; // false when something was lost on the way
};

// A value of one field carried into a field of another type or size with the
// least loss: text cut to the width, numbers rounded to the decimals, what
// cannot be carried at all becomes blank.
Converted convertValue(const engine::FieldDef& from, const engine::Value& value,
                       const engine::FieldDef& to);

} // namespace tabletool
