#include "engine/dataset/KeyCheck.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

class KeyChecks : public ::testing::Test {
protected:
    // A dBase source whose CODE and NAME hold the given pairs, one row deleted.
    std::unique_ptr<TableFile>
    source(const std::vector<std::pair<std::string, std::string>>& rows) {
        auto table = createTable(temp.path() / "SOURCE.DBF",
                                 {{"NAME", FieldType::Character, 10, 0},
                                  {"CODE", FieldType::Character, 6, 0},
                                  {"QTY", FieldType::Numeric, 5, 0}},
                                 true);
        RowId gone = table->append({Value("deleted"), Value("K1"), Value()});
        table->remove(gone);
        double qty = 1;
        for (const auto& [code, name] : rows)
            table->append({Value(name), Value(code), Value(Decimal{std::to_string(int(qty++))})});
        return table;
    }

    support::TempDir temp{"keycheck"};
};

TEST_F(KeyChecks, APrimaryKeyMeetsKeysOfTheTableAndKeysGivenTwice) {
    auto from = source({{"K1", "one"}, {"K2", "two"}, {"K1", "again"}, {"K9", "nine"}});
    auto codes = createTable(temp.path() / "CODES.DB", {{"CODE", FieldType::Character, 6, 0},
                                                        {"NAME", FieldType::Character, 20, 0}});
    codes->addIndex({.name = "", .expression = "CODE", .primary = true});
    codes->append({Value("K9"), Value("there already")});

    KeyClashes found = findKeyClashes(*from, *codes);
    ASSERT_EQ(found.count, 2u);
    EXPECT_EQ(found.first[0].key, "K1");
    EXPECT_EQ(found.first[0].sourceRow, 3u); // the deleted record is not counted
    EXPECT_FALSE(found.first[0].inTable);
    EXPECT_EQ(found.first[1].key, "K9");
    EXPECT_EQ(found.first[1].sourceRow, 4u);
    EXPECT_TRUE(found.first[1].inTable);
    EXPECT_EQ(findKeyClashes(*from, *codes, 1).first.size(), 1u);

    // Nothing is written by the check.
    EXPECT_EQ(codes->rowCount(), 1u);
}

TEST_F(KeyChecks, NewKeysAreCheckedOnTheConvertedValues) {
    auto from = source({{"ab", "one"}, {"AB", "two"}, {"cd", "three"}, {"ab", "four"}});
    // The new layout narrows CODE to one character: "ab" and "cd" differ, "a" and "c" do not.
    FieldList narrow = {{"CODE", FieldType::Character, 1, 0}, {"QTY", FieldType::Numeric, 5, 0}};
    KeyClashes paradox = findKeyClashes(*from, TableKind::Paradox, narrow,
                                        {{.name = "", .expression = "CODE", .primary = true}});
    EXPECT_EQ(paradox.count, 1u); // "a" twice; "A" differs by case
    EXPECT_EQ(paradox.first.at(0).sourceRow, 4u);

    FieldList wide = {{"CODE", FieldType::Character, 6, 0}, {"QTY", FieldType::Numeric, 5, 0}};
    KeyClashes upper =
        findKeyClashes(*from, TableKind::DBase, wide,
                       {{.name = "BYCODE", .expression = "UPPER(CODE)", .unique = true},
                        {.name = "PLAIN", .expression = "QTY"}});
    ASSERT_EQ(upper.count, 2u); // AB and ab again; the tag that is not unique is ignored
    EXPECT_EQ(upper.first[0].index, "BYCODE");
    EXPECT_EQ(upper.first[0].key, "AB");
    EXPECT_EQ(upper.first[1].sourceRow, 4u);

    // Rows the FOR condition leaves out of the tag do not clash.
    KeyClashes some = findKeyClashes(*from, TableKind::DBase, wide,
                                     {{.name = "BYCODE",
                                       .expression = "UPPER(CODE)",
                                       .forCondition = "QTY > 2",
                                       .unique = true}});
    EXPECT_EQ(some.count, 0u);

    // A key over a field the layout does not have is refused.
    EXPECT_THROW(findKeyClashes(*from, TableKind::DBase, wide,
                                {{.name = "X", .expression = "NAME", .unique = true}}),
                 EngineError);
    EXPECT_THROW(findKeyClashes(*from, TableKind::Paradox, wide,
                                {{.name = "", .expression = "CODE;NAME", .primary = true}}),
                 EngineError);
}

} // namespace
