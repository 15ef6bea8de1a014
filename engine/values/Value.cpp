#include "engine/values/Value.h"

#include "engine/base/EngineError.h"

namespace engine {

namespace {

const char* kindOf(const Value& value) {
    if (value.isNull())
        return "blank";
    if (value.isText())
        return "text";
    if (value.isNumber())
        return "number";
    if (value.isInteger())
        return "integer";
    if (value.isDate())
        return "date";
    if (value.isBool())
        return "logical";
    return "binary";
}

} // namespace

void Value::wrongKind(const char* wanted) const {
    throw EngineError(code::BadValue, std::string("A ") + kindOf(*this) + " value is given where " +
                                          wanted + " is needed");
}

} // namespace engine
