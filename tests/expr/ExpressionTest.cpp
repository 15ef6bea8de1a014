#include "engine/expr/Expression.h"
#include "engine/base/EngineError.h"

#include <gtest/gtest.h>

using namespace engine;
using engine::expr::Expression;
using engine::expr::RecordContext;
using engine::expr::ResultType;

namespace {

const FieldList fields = {
    {"NAME", FieldType::Character, 10, 0}, {"CITY", FieldType::Character, 6, 0},
    {"AMOUNT", FieldType::Numeric, 10, 2}, {"DAY", FieldType::Date, 8, 0},
    {"OK", FieldType::Logical, 1, 0},      {"NOTE", FieldType::Memo, 10, 0},
};

// Trailing blanks trimmed, as the table hands values over.
const Record row = {Value("Smith"), Value("Rome"), Value(-12.5), Value(Date::fromYmd(2024, 2, 28)),
                    Value(true),    Value("memo")};
const Record blanks = {Value(), Value(), Value(), Value(), Value(), Value()};

Value eval(const std::string& text, const Record& record = row, RowId recno = 7,
           bool deleted = false) {
    return Expression::parse(text, fields).evaluate(RecordContext{&record, recno, deleted});
}

std::string text(const std::string& e, const Record& record = row) {
    return eval(e, record).text();
}
double number(const std::string& e) {
    return eval(e).number();
}
bool logical(const std::string& e, const Record& record = row) {
    return eval(e, record).boolean();
}

std::string errorOf(const std::string& e) {
    try {
        Expression::parse(e, fields);
    } catch (const EngineError& err) {
        EXPECT_EQ(err.code(), code::BadExpression);
        return err.what();
    }
    return "no error";
}

} // namespace

TEST(Expression, FieldsArePaddedAndNamesIgnoreCase) {
    EXPECT_EQ(text("NAME"), "Smith     ");
    EXPECT_EQ(text("name"), "Smith     ");
    EXPECT_EQ(text("t->Name"), "Smith     ");
    EXPECT_EQ(text("NAME", blanks), std::string(10, ' '));
    EXPECT_EQ(number("AMOUNT"), -12.5);
    EXPECT_TRUE(eval("DAY", blanks).isNull());
    EXPECT_EQ(eval("DAY").date(), Date::fromYmd(2024, 2, 28));
    Expression bare = Expression::parse("city", fields);
    EXPECT_TRUE(bare.isBareField());
    EXPECT_EQ(bare.width(), 6);
    EXPECT_EQ(bare.fieldsUsed(), std::vector<int>{1});
    Expression both = Expression::parse("UPPER(CITY)+NAME+CITY", fields);
    EXPECT_FALSE(both.isBareField());
    EXPECT_EQ(both.fieldsUsed(), (std::vector<int>{1, 0}));
}

TEST(Expression, StringOperatorsAndWidths) {
    EXPECT_EQ(text("NAME+CITY"), "Smith     Rome  ");
    EXPECT_EQ(text("NAME-CITY"), "SmithRome       ");
    EXPECT_EQ(text("'AB  '-\"CD\""), "ABCD  ");
    EXPECT_EQ(text("[x]+'y'+\"z\""), "xyz");
    EXPECT_EQ(Expression::parse("NAME-CITY", fields).width(), 16);
    EXPECT_EQ(Expression::parse("SUBSTR(NAME,3,4)", fields).width(), 4);
    EXPECT_EQ(Expression::parse("SUBSTR(NAME,8)", fields).width(), 3);
    EXPECT_EQ(Expression::parse("LEFT(NAME,2+1)", fields).width(), 3);
    EXPECT_EQ(Expression::parse("STR(AMOUNT,12,2)+DTOS(DAY)", fields).width(), 20);
    EXPECT_EQ(Expression::parse("STR(AMOUNT)", fields).width(), 10);
    EXPECT_EQ(Expression::parse("IIF(OK,NAME,CITY)", fields).width(), 10);
    EXPECT_EQ(Expression::parse("TRIM(NAME)", fields).width(), 10);
    EXPECT_EQ(Expression::parse("AMOUNT", fields).type(), ResultType::Numeric);
}

TEST(Expression, ArithmeticAndDates) {
    EXPECT_DOUBLE_EQ(number("AMOUNT*2+1"), -24);
    EXPECT_DOUBLE_EQ(number("-AMOUNT/5"), 2.5);
    EXPECT_DOUBLE_EQ(number("(1+2)*3-4/2"), 7);
    EXPECT_DOUBLE_EQ(number("1/0"), 0);
    EXPECT_EQ(eval("DAY+2").date(), Date::fromYmd(2024, 3, 1));
    EXPECT_EQ(eval("1+DAY").date(), Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(eval("DAY-59").date(), Date::fromYmd(2023, 12, 31));
    EXPECT_DOUBLE_EQ(number("DAY-CTOD('01/01/2024')"), 58);
    EXPECT_TRUE(eval("DAY+5", blanks).isNull());
}

TEST(Expression, ComparisonsUseSetExactOff) {
    EXPECT_TRUE(logical("NAME = 'Smi'"));
    EXPECT_FALSE(logical("'Smi' = NAME"));
    EXPECT_TRUE(logical("NAME = ''"));
    EXPECT_FALSE(logical("NAME <> 'Smith'"));
    EXPECT_TRUE(logical("NAME # 'Jones'"));
    EXPECT_TRUE(logical("NAME != 'Jones'"));
    EXPECT_TRUE(logical("'Smith' > 'Jones' .AND. 'ab' < 'abc' .AND. 'abc' <= 'ab'"));
    EXPECT_TRUE(logical("AMOUNT < 0 .AND. AMOUNT >= -12.5"));
    EXPECT_TRUE(logical("DAY > CTOD('12/31/23')"));
    EXPECT_TRUE(logical("OK = .T. .AND. OK <> .f."));
    EXPECT_TRUE(logical("'mit' $ NAME"));
    EXPECT_FALSE(logical("'MIT' $ NAME"));
    EXPECT_TRUE(logical(".NOT. .F. .AND. !(1 > 2)"));
    EXPECT_TRUE(logical(".F. .OR. .T. .AND. .T."));
    EXPECT_FALSE(logical("(.F. .OR. .T.) .AND. .F."));
    EXPECT_TRUE(logical("DELETED()", row) == false);
    EXPECT_TRUE(eval(".NOT. DELETED()", row, 1, false).boolean());
    EXPECT_FALSE(eval(".NOT. DELETED()", row, 1, true).boolean());
}

TEST(Expression, TextFunctions) {
    EXPECT_EQ(text("UPPER(NAME)"), "SMITH     ");
    EXPECT_EQ(text("LOWER(NAME)"), "smith     ");
    EXPECT_EQ(text("SUBSTR(NAME,2,3)"), "mit");
    EXPECT_EQ(text("SUBSTR(NAME,9)"), "  ");
    EXPECT_EQ(text("SUBSTR(NAME,20)"), "");
    EXPECT_EQ(text("SUBSTR(NAME,8,10)"), "   ");
    EXPECT_EQ(text("LEFT(NAME,3)"), "Smi");
    EXPECT_EQ(text("RIGHT(NAME,3)"), "   ");
    EXPECT_EQ(text("RIGHT(TRIM(NAME),3)"), "ith");
    EXPECT_EQ(text("TRIM(NAME)+'|'"), "Smith|");
    EXPECT_EQ(text("RTRIM(NAME)+'|'"), "Smith|");
    EXPECT_EQ(text("LTRIM('  ab ')"), "ab ");
    EXPECT_EQ(text("UPPER(SUBSTR('é-x', 1, 2))"), "é-");
    EXPECT_EQ(text("IIF(OK, 'yes', 'no')"), "yes");
    EXPECT_EQ(text("IIF(.NOT. OK, 'yes', 'no')"), "no");
    EXPECT_EQ(number("VAL('  -12.50abc')"), -12.5);
    EXPECT_EQ(number("VAL('abc')"), 0);
    EXPECT_EQ(number("VAL('7.')"), 7);
    EXPECT_EQ(number("RECNO()"), 7);
}

TEST(Expression, StrRoundsAndOverflows) {
    EXPECT_EQ(text("STR(AMOUNT)"), "       -13");
    EXPECT_EQ(text("STR(AMOUNT,8,2)"), "  -12.50");
    EXPECT_EQ(text("STR(2.5,3)"), "  3");
    EXPECT_EQ(text("STR(-2.5,3)"), " -3");
    EXPECT_EQ(text("STR(1.005,6,2)"), "  1.01");
    EXPECT_EQ(text("STR(0.04,5,1)"), "  0.0");
    EXPECT_EQ(text("STR(-0.04,5,1)"), "  0.0");
    EXPECT_EQ(text("STR(99.96,5,1)"), "100.0");
    EXPECT_EQ(text("STR(123.456,5,2)"), "123.5");
    EXPECT_EQ(text("STR(123456,5)"), "*****");
    EXPECT_EQ(text("STR(-1234,4)"), "****");
    EXPECT_EQ(text("STR(0,3)"), "  0");
    EXPECT_EQ(text("STR(12345678901234,14)"), "12345678901234");
    EXPECT_EQ(text("STR(1,5,99999)"), "1.000");
    EXPECT_EQ(text("STR(1,1000)").size(), 254u);
    EXPECT_EQ(Expression::parse("STR(1,1000)", fields).width(), 254);
}

TEST(Expression, DateFunctions) {
    EXPECT_EQ(text("DTOS(DAY)"), "20240228");
    EXPECT_EQ(text("DTOS(DAY)", blanks), "        ");
    EXPECT_EQ(text("DTOC(DAY)"), "02/28/24");
    EXPECT_EQ(text("DTOC(DAY)", blanks), "  /  /  ");
    EXPECT_EQ(eval("CTOD('02/29/2024')").date(), Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(eval("CTOD('12/31/99')").date(), Date::fromYmd(1999, 12, 31));
    EXPECT_EQ(eval("CTOD('01/01/24')").date(), Date::fromYmd(1924, 1, 1));
    EXPECT_TRUE(eval("CTOD('02/30/24')").isNull());
    EXPECT_TRUE(eval("CTOD('')").isNull());
    EXPECT_TRUE(eval("CTOD('  /  /  ')").isNull());
    EXPECT_EQ(number("YEAR(DAY)*10000+MONTH(DAY)*100+DAY(DAY)"), 20240228);
    EXPECT_EQ(eval("YEAR(DAY)", blanks).number(), 0);
    EXPECT_EQ(eval("DATE()").date(), Date::today());
}

TEST(Expression, MalformedExpressionsQuoteTheText) {
    EXPECT_EQ(errorOf("UPPER(NAM)"), "Expression \"UPPER(NAM)\": unknown field NAM at position 7");
    EXPECT_EQ(errorOf("NAME+AMOUNT"),
              "Expression \"NAME+AMOUNT\": operator + cannot combine C and N values at position 5");
    EXPECT_EQ(errorOf("SUBSTR(NAME)"),
              "Expression \"SUBSTR(NAME)\": SUBSTR() takes 2 to 3 arguments, not 1 at position 1");
    EXPECT_EQ(errorOf("UPPER(AMOUNT)"),
              "Expression \"UPPER(AMOUNT)\": UPPER() argument 1 must be C, not N at position 1");
    EXPECT_EQ(errorOf("(NAME"),
              "Expression \"(NAME\": expected ')' but found end of expression at position 6");
    EXPECT_EQ(errorOf(""), "Expression \"\": it is empty");
    EXPECT_NE(errorOf("NAME = 'x").find("string not closed"), std::string::npos);
    EXPECT_NE(errorOf("NAME NAME").find("unexpected 'NAME'"), std::string::npos);
    EXPECT_NE(errorOf("FOO(NAME)").find("unknown function FOO()"), std::string::npos);
    EXPECT_NE(errorOf("IIF(OK, NAME, 1)").find("one type"), std::string::npos);
    EXPECT_NE(errorOf("OK < .T.").find("does not order"), std::string::npos);
    EXPECT_NE(errorOf("NOTE").find("cannot be used"), std::string::npos);
    EXPECT_NE(errorOf("NAME ? 1").find("unexpected character '?'"), std::string::npos);
    EXPECT_NE(errorOf(".X. = 1").find("unknown word"), std::string::npos);
    EXPECT_NE(errorOf("1 +").find("expected a value"), std::string::npos);
    EXPECT_NE(errorOf("t->").find("field name after '->'"), std::string::npos);
}

TEST(Expression, ConditionsAreFalseUnlessLogicalTrue) {
    Expression cond = Expression::parse("AMOUNT > 0 .OR. NAME = 'Sm'", fields);
    EXPECT_TRUE(cond.evaluateCondition(RecordContext{&row, 1, false}));
    EXPECT_FALSE(cond.evaluateCondition(RecordContext{&blanks, 1, false}));
    EXPECT_FALSE(Expression::parse("NAME", fields).evaluateCondition(RecordContext{&row, 1}));
}
