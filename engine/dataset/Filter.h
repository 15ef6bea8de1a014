#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <memory>
#include <string>

namespace engine {

// A dataset filter such as "[TMTIPO]='A'": field names (bracketed or bare),
// quoted texts, numbers, = <> < > <= >=, AND, OR, NOT and parentheses.
// Texts compare case-sensitively, trailing blanks ignored.
class Filter {
public:
    // Throws EngineError(BadExpression) quoting the text when it is malformed
    // or names a field the table does not have.
    Filter(const std::string& text, const FieldList& fields);
    ~Filter();
    Filter(Filter&&) noexcept;
    Filter& operator=(Filter&&) noexcept;

    bool accepts(const Record& record) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

} // namespace engine
