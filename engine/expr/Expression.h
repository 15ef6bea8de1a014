#pragma once

#include "engine/table/FieldDef.h"
#include "engine/table/TableFile.h"
#include "engine/values/Value.h"

#include <memory>
#include <string>
#include <vector>

namespace engine::expr {

// Result type of an xBase expression: C, N, D or L.
enum class ResultType { Character, Numeric, Date, Logical };

// What an expression is evaluated against: one record of a table.
struct RecordContext {
    const Record* record = nullptr;
    RowId recno = NoRow;
    bool deleted = false;
};

struct Node; // parse tree, private to the evaluator

// A parsed xBase expression (index keys, FOR conditions): field names,
// literals, operators and the usual functions. Parsing checks names and
// types against the table's fields.
class Expression {
public:
    // Throws EngineError(BadExpression) quoting `text` when it is malformed,
    // names an unknown field or mixes types.
    static Expression parse(const std::string& text, const FieldList& fields);

    const std::string& text() const { return text_; }
    ResultType type() const;
    // Width of a character result for the table's field definitions (the key
    // length of a character tag).
    int width() const;
    // Field numbers that the expression names, in order of first appearance.
    const std::vector<int>& fieldsUsed() const { return fieldsUsed_; }
    // True when the expression is one bare field name.
    bool isBareField() const;

    // Blank dates evaluate to a null Value; character results are UTF-8 text.
    Value evaluate(const RecordContext& context) const;
    bool evaluateCondition(const RecordContext& context) const; // L result

    Expression(const Expression&) = default;
    Expression& operator=(const Expression&) = default;
    Expression(Expression&&) = default;
    Expression& operator=(Expression&&) = default;
    ~Expression();

private:
    Expression() = default;
    std::string text_;
    std::shared_ptr<const Node> root_;
    std::vector<int> fieldsUsed_;
};

} // namespace engine::expr
