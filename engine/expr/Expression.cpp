#include "engine/expr/Expression.h"

#include "engine/EngineError.h"

namespace engine::expr {

struct Node {};

namespace {
[[noreturn]] void notYet(const std::string& text) {
    throw EngineError(code::NotSupported,
                      "Expression \"" + text + "\": evaluator not available yet");
}
} // namespace

Expression Expression::parse(const std::string& text, const FieldList&) {
    notYet(text);
}
ResultType Expression::type() const {
    notYet(text_);
}
int Expression::width() const {
    notYet(text_);
}
bool Expression::isBareField() const {
    notYet(text_);
}
Value Expression::evaluate(const RecordContext&) const {
    notYet(text_);
}
bool Expression::evaluateCondition(const RecordContext&) const {
    notYet(text_);
}
Expression::~Expression() = default;

} // namespace engine::expr
