// Expressions give the same results in a locale with a decimal comma, and
// text that would overflow the stack or a number is refused as a bad
// expression.
#include "engine/base/EngineError.h"
#include "engine/expr/Expression.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace engine;
using engine::expr::Expression;
using engine::expr::RecordContext;

namespace {

const FieldList fields = {{"PRICE", FieldType::Numeric, 8, 2}, {"DAY", FieldType::Date, 8, 0}};

Value eval(const std::string& text, const Record& record) {
    return Expression::parse(text, fields).evaluate(RecordContext{&record, 1, false});
}

std::string refusal(const std::string& text) {
    try {
        Expression::parse(text, fields);
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::BadExpression);
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(ExpressionLocale, NumbersReadAndPrintTheSameWithADecimalComma) {
    std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "it_IT.UTF-8"), nullptr)
        << "tools/setup generates the locale it_IT.UTF-8";
    const Record row = {Value(Decimal{"0.25"}), Value(Date::fromYmd(2024, 2, 28))};
    EXPECT_FALSE(eval("PRICE > 0.5", row).boolean());
    EXPECT_TRUE(eval("PRICE < 0.5", row).boolean());
    EXPECT_EQ(eval("VAL(\"2.75\")", row).number(), 2.75);
    EXPECT_EQ(eval("STR(PRICE * 50, 8, 2)", row).text(), "   12.50");
    EXPECT_EQ(eval("STR(1.005, 6, 2)", row).text(), "  1.01");
    std::setlocale(LC_ALL, before.c_str());
}

TEST(ExpressionLimits, DeepOrHugeTextIsABadExpression) {
    std::string deep = std::string(2000, '(') + "1" + std::string(2000, ')');
    EXPECT_NE(refusal(deep).find("nests deeper than 200 levels"), std::string::npos);
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_NE(refusal(chain).find("nests deeper"), std::string::npos);
    EXPECT_NE(refusal(std::string(20000, '-') + "1").find("nests deeper"), std::string::npos);
    EXPECT_NE(refusal("1" + std::string(400, '0')).find("too large"), std::string::npos);
    // Still fine: a long but shallow key.
    EXPECT_EQ(refusal(std::string(150, '(') + "PRICE" + std::string(150, ')')), "(accepted)");
}

TEST(ExpressionLimits, DatesMovedBeyondTheCalendarAreBlank) {
    const Record row = {Value(Decimal{"99999.99"}), Value(Date::fromYmd(2024, 2, 28))};
    EXPECT_EQ(eval("DTOS(DAY + PRICE * 100000000000000000000)", row).text(), "        ");
    EXPECT_EQ(eval("DTOS(DAY - PRICE * 100000000000000000000)", row).text(), "        ");
    EXPECT_EQ(eval("YEAR(DAY + 3000000)", row).number(), 0);
    EXPECT_EQ(eval("DTOS(DAY + 2)", row).text(), "20240301");
}
