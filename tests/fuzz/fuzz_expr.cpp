// Parses arbitrary text as an xBase expression and evaluates what parses.
#include "engine/base/EngineError.h"
#include "engine/expr/Expression.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FieldList fields = {{"NAME", FieldType::Character, 20, 0},
                                     {"AMOUNT", FieldType::Numeric, 12, 2},
                                     {"DAY", FieldType::Date, 8, 0},
                                     {"OK", FieldType::Logical, 1, 0}};
    static const Record full = {Value("Smith é"), Value(-1234.5),
                                Value(Date::fromJulianDay(2451545)), Value(true)};
    static const Record blank(4);
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        auto e = expr::Expression::parse(text, fields);
        (void)e.width();
        for (const Record* r : {&full, &blank}) {
            e.evaluate(expr::RecordContext{r, 7, false});
            e.evaluateCondition(expr::RecordContext{r, 7, true});
        }
    } catch (const EngineError&) {
    }
    return 0;
}
