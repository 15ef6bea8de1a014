#include "OperationsWorkspace.h"

#include "engine/drivers/Tables.h"
#include "operations/Crt_Archivi.h"
#include "support/FileBytes.h"
#include "support/Process.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

class PlanTest : public OperationsWorkspace {
protected:
    // CLIENTI: CODE C 6, CITY C 15, NOTE memo, with two rows.
    void clientsWithRows(const std::string& type = "0") {
        addTable("CLIENTI", type, "AA");
        addTypedField("CLIENTI", 1, "CODE", "C", 6);
        addTypedField("CLIENTI", 2, "CITY", "C", 15);
        addTypedField("CLIENTI", 3, "NOTE", "M", 10);
        ASSERT_EQ(build({"CLIENTI"}, {type.c_str()}), QStringList{"Function successfull."});
        insertRows(tables / "CLIENTI.DBF",
                   {{{"CODE", "C1"}, {"CITY", "Roma"}, {"NOTE", "first note"}},
                    {{"CODE", "C2"}, {"CITY", "Milano"}, {"NOTE", std::string(2000, 'n')}}});
    }
    const std::vector<std::string> clientRows{"C1|Roma|first note",
                                              "C2|Milano|" + std::string(2000, 'n')};
};

TEST_F(PlanTest, AnUnknownTypeCodeFirstInARunIsRefusedAndTheTableKeepsItsRows) {
    clientsWithRows();
    for (const char* code : {"", "2", "x"}) {
        auto before = tableFiles();
        QStringList shown = build({"CLIENTI"}, {code});
        ASSERT_EQ(shown.size(), 1) << code;
        EXPECT_TRUE(shown[0].contains("CLIENTI: table type \"" + QString(code) + "\""))
            << shown[0].toStdString();
        EXPECT_FALSE(Crt_Archivi->Succeeded);
        EXPECT_EQ(tableFiles(), before) << code;
    }
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,CITY,NOTE"), clientRows);
}

TEST_F(PlanTest, AnUnknownTypeCodeLaterInARunTakesTheFormatOfTheTableBefore) {
    addTable("FIRST", "1");
    addTypedField("FIRST", 1, "CODE", "C", 4);
    addTable("SECOND", "?");
    addTypedField("SECOND", 1, "CODE", "C", 4);
    EXPECT_EQ(build({"FIRST", "SECOND"}, {"1", "?"}), QStringList{"Function successfull."});
    EXPECT_TRUE(fs::exists(tables / "SECOND.DB"));
    EXPECT_FALSE(fs::exists(tables / "SECOND.DBF"));
    EXPECT_TRUE(support::succeeds({PX_DUMP, (tables / "SECOND.DB").string()}));
}

TEST_F(PlanTest, WidthsTheEngineRefusesAreAllListedAndNoFileChanges) {
    clientsWithRows();
    addTypedField("CLIENTI", 4, "EMPTY", "C", 0);
    addTypedField("CLIENTI", 5, "WIDE", "C", 300);
    addTypedField("CLIENTI", 6, "RATE", "N", 10, 12);
    addTypedField("CLIENTI", 7, "HUGE", "N", 30);
    addTypedField("CLIENTI", 8, "ODD", "X", 4);
    auto before = tableFiles();

    QStringList shown = build({"CLIENTI"}, {"0"});
    ASSERT_EQ(shown.size(), 1);
    for (const char* line :
         {"CLIENTI: field EMPTY must be 1 to 254 characters wide",
          "CLIENTI: field WIDE must be 1 to 254 characters wide",
          "CLIENTI: field RATE cannot have 12 decimals in width 10",
          "CLIENTI: field HUGE must be 1 to 20 digits wide", "CLIENTI: field ODD has type \"X\""})
        EXPECT_TRUE(shown[0].contains(line)) << line << "\n" << shown[0].toStdString();
    EXPECT_FALSE(Crt_Archivi->Succeeded);
    EXPECT_EQ(tableFiles(), before);
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,CITY,NOTE"), clientRows);
}

TEST_F(PlanTest, ARefusedTableLaterInTheRunLeavesTheEarlierTablesUntouched) {
    clientsWithRows();
    addTypedField("CLIENTI", 4, "PHONE", "C", 12); // a change the builder could make
    addTable("ORDERS", "0");
    addTypedField("ORDERS", 1, "CODE", "C", 6);
    addTag("ORDERS", "BYCODE", "CODE");
    addTag("ORDERS", "BYNONE", "NOSUCHFIELD");
    addTag("ORDERS", "BYWHEN", "CODE", "CODE > 3");
    auto before = tableFiles();

    QStringList shown = build({"CLIENTI", "ORDERS"}, {"0", "0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("no table was changed")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("ORDERS: tag BYNONE")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("ORDERS: tag BYWHEN")) << shown[0].toStdString();
    EXPECT_FALSE(shown[0].contains("BYCODE")) << shown[0].toStdString();
    EXPECT_EQ(tableFiles(), before);
}

TEST_F(PlanTest, AParadoxPrimaryKeyOnAMemoOrOutOfOrderIsRefused) {
    addTable("PEOPLE", "1");
    addTypedField("PEOPLE", 1, "CODE", "C", 4);
    addTypedField("PEOPLE", 2, "NAME", "C", 20);
    addTypedField("PEOPLE", 3, "NOTE", "M", 10);
    addTag("PEOPLE", "A", "NAME");
    addTag("PEOPLE", "B", "NOTE");

    QStringList shown = build({"PEOPLE"}, {"1"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("leading fields")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("NOTE cannot be part of an index")) << shown[0].toStdString();
    EXPECT_TRUE(fs::is_empty(tables));
}

} // namespace
