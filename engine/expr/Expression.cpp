#include "engine/expr/Expression.h"

#include "engine/expr/Node.h"
#include "engine/expr/Parser.h"

namespace engine::expr {

Expression Expression::parse(const std::string& text, const FieldList& fields) {
    ParseResult parsed = parseExpression(text, fields);
    Expression e;
    e.text_ = text;
    e.root_ = std::shared_ptr<const Node>(std::move(parsed.root));
    e.fieldsUsed_ = std::move(parsed.fieldsUsed);
    return e;
}

ResultType Expression::type() const {
    return root_->type;
}

int Expression::width() const {
    return root_->type == ResultType::Character ? root_->width : 0;
}

bool Expression::isBareField() const {
    return dynamic_cast<const FieldNode*>(root_.get()) != nullptr;
}

Value Expression::evaluate(const RecordContext& context) const {
    Scalar s;
    root_->eval(context, s);
    switch (root_->type) {
    case ResultType::Character:
        return Value(std::move(s.text));
    case ResultType::Numeric:
        return Value(s.number);
    case ResultType::Date:
        return s.day == 0 ? Value() : Value(Date::fromJulianDay(s.day));
    case ResultType::Logical:
        return Value(s.logical);
    }
    return Value();
}

bool Expression::evaluateCondition(const RecordContext& context) const {
    Scalar s;
    root_->eval(context, s);
    return root_->type == ResultType::Logical && s.logical;
}

Expression::~Expression() = default;

} // namespace engine::expr
