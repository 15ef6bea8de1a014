#include "OperationsWorkspace.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FaultSeam.h"
#include "operations/Crt_Archivi.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

class BuilderTest : public OperationsWorkspace {
protected:
    // CLIENTS: CODE C 6, NAME C 20, CITY C 15, NOTE memo, numbered 10 to 40.
    void describeClients(const std::string& type = "0") {
        addTable("CLIENTS", type, "AA");
        addTypedField("CLIENTS", 10, "CODE", "C", 6);
        addTypedField("CLIENTS", 20, "NAME", "C", 20);
        addTypedField("CLIENTS", 30, "CITY", "C", 15);
        addTypedField("CLIENTS", 40, "NOTE", "M", 10);
    }
    void fillClients() {
        insertRows(tables / "CLIENTS.DBF",
                   {{{"CODE", "C1"}, {"NAME", "Rossi"}, {"CITY", "Roma"}, {"NOTE", "first note"}},
                    {{"CODE", "C2"}, {"NAME", "Bianchi"}, {"CITY", "Milano"}, {"NOTE", ""}},
                    {{"CODE", "C3"},
                     {"NAME", "Verdi"},
                     {"CITY", "Torino"},
                     {"NOTE", std::string(3000, 'x')}}});
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(tables))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BuilderTest, AnEmptyListTouchesNothingAndSaysSo) {
    EXPECT_EQ(build({}, {}), QStringList{"No function."});
    EXPECT_EQ(Crt_Archivi->BarProg->maximum(), 0);
    EXPECT_EQ(Crt_Archivi->panelText(0), "");
    EXPECT_EQ(Crt_Archivi->panelText(1), "");
    EXPECT_TRUE(fs::is_empty(tables));
    EXPECT_TRUE(Crt_Archivi->Succeeded);
}

TEST_F(BuilderTest, AFieldInsertedInTheMiddleKeepsEveryValueInItsOwnColumn) {
    describeClients();
    ASSERT_EQ(build({"CLIENTS"}, {"0"}), QStringList{"Function successfull."});
    fillClients();

    addTypedField("CLIENTS", 25, "PHONE", "C", 12); // between NAME and CITY
    EXPECT_EQ(build({"CLIENTS"}, {"0"}), QStringList{"Function successfull."});

    EXPECT_EQ(dbfRows(tables / "CLIENTS.DBF", "CODE,NAME,PHONE,CITY,NOTE"),
              (std::vector<std::string>{"C1|Rossi||Roma|first note", "C2|Bianchi||Milano|",
                                        "C3|Verdi||Torino|" + std::string(3000, 'x')}));
    EXPECT_FALSE(tableExists(tables / "$$CLIENTS.DBF"));
}

TEST_F(BuilderTest, ACreateRunOverAnExistingTableKeepsItsRowsAndDropsGoneFields) {
    describeClients();
    build({"CLIENTS"}, {"0"});
    fillClients();
    // CITY moves before NAME; NOTE is dropped from the dictionary.
    retypeField("CLIENTS", "CITY", "C", 15);
    TTable base;
    base.SetDatabaseName(system.string());
    base.SetTableName("T_BASE");
    base.SetIndexName("BASE01");
    base.SetFilter("[TMTIPO]='B'");
    base.SetFiltered(true);
    base.Open();
    ASSERT_TRUE(base.FindKey({Value("CLIENTS"), Value("CITY")}));
    base.Edit();
    base.FieldByName("TMNRIG").SetAsInteger(15);
    base.Post();
    ASSERT_TRUE(base.FindKey({Value("CLIENTS"), Value("NOTE")}));
    base.Delete();
    base.Close();

    // Dropping NOTE's values is asked for first.
    QStringList shown = build({"CLIENTS"}, {"0"}, {ui::Answer::Yes});
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown[0].contains("CLIENTS: NOTE dropped, ")) << shown[0].toStdString();
    auto table = openTable(tables / "CLIENTS.DBF");
    ASSERT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->fields()[1].name, "CITY");
    EXPECT_EQ(dbfRows(tables / "CLIENTS.DBF", "CODE,CITY,NAME"),
              (std::vector<std::string>{"C1|Roma|Rossi", "C2|Milano|Bianchi", "C3|Torino|Verdi"}));
}

TEST_F(BuilderTest, ValuesThatDoNotFitAreCountedPerFieldAndListedAfterTheClosingMessage) {
    addTable("PRICES", "0");
    addTypedField("PRICES", 1, "ITEM", "C", 10);
    addTypedField("PRICES", 2, "PRICE", "N", 10, 2);
    build({"PRICES"}, {"0"});
    insertRows(tables / "PRICES.DBF", {{{"ITEM", "LONGNAME1"}, {"PRICE", "12.25"}},
                                       {{"ITEM", "AB"}, {"PRICE", "3.5"}},
                                       {{"ITEM", "LONGNAME2"}, {"PRICE", "7.75"}}});
    retypeField("PRICES", "ITEM", "C", 4);
    retypeField("PRICES", "PRICE", "N", 10, 1);

    QStringList shown = build({"PRICES"}, {"0"}, {ui::Answer::Yes});
    ASSERT_EQ(shown.size(), 3) << shown.join("\n").toStdString();
    EXPECT_TRUE(shown[0].contains("PRICES: ITEM cut, 2 values\nPRICES: PRICE cut, 2 values"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith("Function successfull.\nThe old table is kept in "))
        << shown[1].toStdString();
    EXPECT_EQ(shown[2], "Values not carried over exactly:\nPRICES: ITEM 2, PRICE 2");
    EXPECT_EQ(dbfRows(tables / "PRICES.DBF", "ITEM"),
              (std::vector<std::string>{"LONG", "AB", "LONG"}));
}

TEST_F(BuilderTest, ASavedTableBesideTheTableStopsTheRunAndKeepsBothAsTheyAre) {
    describeClients();
    addTable("OTHERS", "0");
    addTypedField("OTHERS", 1, "CODE", "C", 4);
    build({"CLIENTS"}, {"0"});
    fillClients();
    // An update interrupted after its create: both files are there.
    fs::copy_file(tables / "CLIENTS.DBF", tables / "$$CLIENTS.DBF");
    fs::copy_file(tables / "CLIENTS.DBT", tables / "$$CLIENTS.DBT");
    auto before = files();

    QStringList shown = build({"CLIENTS", "OTHERS"}, {"0", "0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains((tables / "CLIENTS.DBF").c_str())) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains((tables / "$$CLIENTS.DBF").c_str())) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("interrupted update"));
    EXPECT_FALSE(Crt_Archivi->Succeeded);
    EXPECT_EQ(files(), before); // OTHERS not built, nothing renamed or deleted
    EXPECT_EQ(dbfRows(tables / "$$CLIENTS.DBF", "CODE").size(), 3u);
}

TEST_F(BuilderTest, ASavedTableWithoutItsTableIsMovedBackAndDeleted) {
    describeClients();
    build({"CLIENTS"}, {"0"});
    fillClients();
    renameTable(tables / "CLIENTS.DBF", tables / "$$CLIENTS.DBF");

    EXPECT_EQ(build({"CLIENTS"}, {"0"}), QStringList{"Function successfull."});
    EXPECT_FALSE(tableExists(tables / "$$CLIENTS.DBF"));
    EXPECT_EQ(dbfRows(tables / "CLIENTS.DBF", "CODE,NOTE"),
              (std::vector<std::string>{"C1|first note", "C2|", "C3|" + std::string(3000, 'x')}));
}

TEST_F(BuilderTest, ADictionaryTheEngineCannotBuildLeavesTheOldTableAlone) {
    describeClients();
    build({"CLIENTS"}, {"0"});
    fillClients();
    addTypedField("CLIENTS", 50, "ODD", "X", 4); // no such type

    QStringList shown = build({"CLIENTS"}, {"0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("CLIENTS")) << shown[0].toStdString();
    EXPECT_FALSE(tableExists(tables / "$$CLIENTS.DBF"));
    EXPECT_EQ(dbfRows(tables / "CLIENTS.DBF", "CODE").size(), 3u);
}

TEST_F(BuilderTest, MoreThanNinetyNineFieldRowsAreBuiltUpToTheFormatsLimit) {
    addTable("WIDE", "0");
    for (int n = 1; n <= 120; ++n)
        addTypedField("WIDE", n, "F" + std::to_string(n), "C", 2);
    EXPECT_EQ(build({"WIDE"}, {"0"}), QStringList{"Function successfull."});
    EXPECT_EQ(openTable(tables / "WIDE.DBF")->fields().size(), 120u);

    addTable("WIDER", "1");
    for (int n = 1; n <= 256; ++n)
        addTypedField("WIDER", n, "F" + std::to_string(n), "C", 2);
    QStringList shown = build({"WIDER"}, {"1"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("WIDER")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("255"));
    EXPECT_FALSE(tableExists(tables / "WIDER.DB"));
}

TEST_F(BuilderTest, RowsOutsideTheDictionaryRangesAreNotPartOfTheTable) {
    addTable("RANGED", "0");
    addTypedField("RANGED", 1, "KEPT", "C", 4);
    addTypedField("RANGED", 1000, "FAR", "C", 4);
    addTag("RANGED", "KEPT", "KEPT");
    addTag("RANGED", "~LATE", "KEPT"); // sorts above "zzz"
    build({"RANGED"}, {"0"});
    auto table = openTable(tables / "RANGED.DBF");
    ASSERT_EQ(table->fields().size(), 1u);
    auto indexes = table->indexes();
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].def.name, "KEPT");
}

TEST_F(BuilderTest, AMixedListBuildsEachTableInItsOwnFormatAndCarriesTheTypeOn) {
    for (const char* name : {"DB1", "PX1", "PX2", "DB2"}) {
        addTable(name, "0");
        addTypedField(name, 1, "CODE", "C", 4);
        addTypedField(name, 2, "AMOUNT", "N", 8, 2);
    }
    EXPECT_EQ(build({"DB1", "PX1", "PX2", "DB2"}, {"0", "1", "", "0"}),
              QStringList{"Function successfull."});
    EXPECT_TRUE(fs::exists(tables / "DB1.DBF"));
    EXPECT_TRUE(fs::exists(tables / "PX1.DB"));
    EXPECT_TRUE(fs::exists(tables / "PX2.DB")); // no code: the type of the entry before
    EXPECT_TRUE(fs::exists(tables / "DB2.DBF"));
    EXPECT_EQ(Crt_Archivi->panelText(0), "File : DB2");
    EXPECT_EQ(Crt_Archivi->panelText(1), "[4/4]");
    // A later run starts from the type the last one ended with.
    addTable("PX3", "1");
    addTypedField("PX3", 1, "CODE", "C", 4);
    build({"DB1", "PX3"}, {"1", "x"});
    EXPECT_TRUE(fs::exists(tables / "PX3.DB"));
}

TEST_F(BuilderTest, AfterAFailureThePanelsNameTheLastTableFinished) {
    QStringList names, types;
    for (int n = 0; n <= 12; ++n) {
        std::string name = "T" + std::to_string(n);
        addTable(name, "0");
        addTypedField(name, 1, "CODE", "C", 4);
        if (n > 0) {
            names << QString::fromStdString(name);
            types << "0";
        }
    }
    // Every table is built with as many writes as T0; the fourth one's first
    // write fails, past the plan.
    std::uint64_t before = faults::writesSoFar();
    build({"T0"}, {"0"});
    std::uint64_t perTable = faults::writesSoFar() - before;
    faults::failWrite(3 * perTable + 1);

    QStringList shown = build(names, types);
    faults::failWrite(0);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_FALSE(Crt_Archivi->Succeeded);
    EXPECT_EQ(Crt_Archivi->panelText(0), "File : T3");
    EXPECT_EQ(Crt_Archivi->panelText(1), "[3/12]");
    EXPECT_EQ(Crt_Archivi->BarProg->value(), 3);
    EXPECT_EQ(Crt_Archivi->BarProg->maximum(), 12);
    EXPECT_FALSE(fs::exists(tables / "T5.DBF"));
}

TEST_F(BuilderTest, ClosingTheWindowCancelsTheDictionaryRanges) {
    describeClients();
    addTable("OTHERS", "0");
    addTypedField("OTHERS", 1, "CODE", "C", 4);
    build({"OTHERS"}, {"0"});
    TTable& fieldRows = Dm_Vadem->DbFld;
    ASSERT_TRUE(fieldRows.Active());
    int rows = 0;
    for (fieldRows.First(); !fieldRows.Eof(); fieldRows.Next())
        ++rows;
    EXPECT_EQ(rows, 5); // every field row of both tables
}

} // namespace
