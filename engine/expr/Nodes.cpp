#include "engine/expr/Node.h"
#include "engine/expr/XbaseText.h"

namespace engine::expr {

NodePtr makeLiteral(ResultType type, Scalar value, int width) {
    auto node = std::make_unique<LiteralNode>();
    node->type = type;
    node->width = width;
    node->constant = true;
    node->value = std::move(value);
    return node;
}

NodePtr makeField(int field, const FieldDef& def) {
    auto node = std::make_unique<FieldNode>();
    node->field = field;
    switch (def.type) {
    case FieldType::Character:
        node->type = ResultType::Character;
        node->width = def.length;
        break;
    case FieldType::Date:
        node->type = ResultType::Date;
        node->width = 8;
        break;
    case FieldType::Logical:
        node->type = ResultType::Logical;
        break;
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Double:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Currency:
    case FieldType::Bcd:
        node->type = ResultType::Numeric;
        break;
    default:
        throw BindError("field " + def.name + " of type " + fieldTypeName(def.type) +
                        " cannot be used in an expression");
    }
    return node;
}

// Values come as the table hands them over: text with its trailing blanks
// trimmed (padded back here, so that keys keep a fixed width), numbers,
// dates, logicals, or null for blank.
void FieldNode::eval(const RecordContext& context, Scalar& out) const {
    const Value* v = nullptr;
    if (context.record && field < static_cast<int>(context.record->size()))
        v = &(*context.record)[static_cast<std::size_t>(field)];
    switch (type) {
    case ResultType::Character:
        if (v && v->isText()) {
            out.text = text::padTo(v->text(), width);
        } else {
            out.text.assign(static_cast<std::size_t>(width), ' ');
        }
        break;
    case ResultType::Numeric:
        out.number = v && (v->isNumber() || v->isInteger()) ? v->asDouble() : 0;
        break;
    case ResultType::Date:
        out.day = v && v->isDate() ? v->date().julianDay() : 0;
        break;
    case ResultType::Logical:
        out.logical = v && v->isBool() && v->boolean();
        break;
    }
}

} // namespace engine::expr
