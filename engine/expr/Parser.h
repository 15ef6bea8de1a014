#pragma once

#include "engine/expr/Node.h"

namespace engine::expr {

struct ParseResult {
    NodePtr root;
    std::vector<int> fieldsUsed;
};

// Parses and type-checks `text` against `fields`. Throws
// EngineError(BadExpression) quoting the text and saying what is wrong.
ParseResult parseExpression(const std::string& text, const FieldList& fields);

} // namespace engine::expr
