#include "engine/base/EngineError.h"
#include "engine/dataset/BatchMove.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class ParadoxDataSets : public ::testing::Test {
protected:
    void SetUp() override {
        db.AliasName = dir.string();
        db.Open();
        db.CreateTable({"CODES",
                        "PARADOX",
                        {{1, "CODE", 0x101, 0, 6, 0},
                         {2, "NAME", 0x101, 0, 20, 0},
                         {3, "PRICE", 0x102, 0, 0, 0},
                         {4, "NOTE", 0x106, 0, 10, 0}}},
                       false);
        table.SetDatabaseName(dir.string());
        table.SetTableName("CODES");
        table.SetTableType(ttParadox);
        table.AddIndex("", "CODE", ixPrimary);
        table.AddIndex("BYNAME", "NAME", ixCaseInsensitive);
    }
    void TearDown() override { table.Close(); }

    void add(const std::string& code, const std::string& name) {
        table.Insert();
        table.FieldByName("CODE").SetAsString(code);
        table.FieldByName("NAME").SetAsString(name);
        table.Post();
    }

    std::vector<std::string> walk(const char* field) {
        std::vector<std::string> out;
        for (table.First(); !table.Eof(); table.Next())
            out.push_back(table.FieldByName(field).AsString());
        return out;
    }

    support::TempDir temp{"pdx-dataset"};
    fs::path dir = temp.path();
    TDatabase db;
    TTable table;
};

TEST_F(ParadoxDataSets, KeyOrderPositionsAndKeyViolations) {
    table.Open();
    add("M20", "melon");
    add("A10", "Apple");
    add("Z99", "banana");
    // Natural order of a keyed table is key order; rows move as keys arrive.
    EXPECT_EQ(walk("CODE"), (std::vector<std::string>{"A10", "M20", "Z99"}));
    table.First();
    table.Next();
    EXPECT_EQ(table.FieldByName("CODE").AsString(), "M20");
    add("B15", "cherry"); // stands on the new row afterwards
    EXPECT_EQ(table.FieldByName("CODE").AsString(), "B15");
    table.Next();
    EXPECT_EQ(table.FieldByName("CODE").AsString(), "M20");

    // A duplicate key is refused with the table and key named; the insert stays pending.
    table.Insert();
    table.FieldByName("CODE").SetAsString("A10");
    try {
        table.Post();
        FAIL() << "duplicate key accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::KeyViolation);
        EXPECT_NE(std::string(e.what()).find("A10"), std::string::npos) << e.what();
    }
    EXPECT_EQ(table.State(), dsInsert);
    table.Cancel();

    // A case-insensitive secondary index orders and finds names.
    table.SetIndexName("BYNAME");
    EXPECT_EQ(walk("NAME"), (std::vector<std::string>{"Apple", "banana", "cherry", "melon"}));
    EXPECT_TRUE(table.FindKey({"MELON"}));
    EXPECT_EQ(table.FieldByName("CODE").AsString(), "M20");

    // Edit of a key field moves the row; the dataset follows it.
    table.SetIndexName("");
    table.Last();
    table.Edit();
    table.FieldByName("CODE").SetAsString("C00");
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "banana");
    EXPECT_EQ(walk("CODE"), (std::vector<std::string>{"A10", "B15", "C00", "M20"}));
    table.First();
    table.Delete();
    EXPECT_EQ(table.FieldByName("CODE").AsString(), "B15");
}

TEST_F(ParadoxDataSets, BatchMoveStopsAtAKeyViolation) {
    db.CreateTable({"SOURCE", "DBASE", {{1, "NAME", 0x201, 0, 20, 0}, {2, "CODE", 0x201, 0, 6, 0}}},
                   false);
    TTable source;
    source.SetDatabaseName(dir.string());
    source.SetTableName("SOURCE");
    source.Open();
    for (const char* code : {"K1", "K2", "K1", "K3"}) {
        source.Insert();
        source.FieldByName("CODE").SetAsString(code);
        source.FieldByName("NAME").SetAsString(std::string("name ") + code);
        source.Post();
    }
    source.Close();

    TBatchMove move;
    move.Source = &source;
    move.Destination = &table;
    move.AbortOnProblem = false;
    try {
        move.Execute();
        FAIL() << "key violation not reported";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::KeyViolation);
    }
    // The move stores none of its rows: the table is as it was.
    table.Open();
    EXPECT_EQ(walk("CODE"), std::vector<std::string>{});
    EXPECT_TRUE(openTable(dir / "CODES.DB")->check().empty());
}

TEST_F(ParadoxDataSets, UnkeyedTablesKeepTheirRowsInOrderOfArrival) {
    db.CreateTable({"LOG", "PARADOX", {{1, "LINE", 0x101, 0, 10, 0}}}, false);
    TTable log;
    log.SetDatabaseName(dir.string());
    log.SetTableName("LOG");
    log.SetTableType(ttParadox);
    log.Open();
    for (const char* line : {"one", "two", "three", "four"}) {
        log.Insert();
        log.FieldByName("LINE").SetAsString(line);
        log.Post();
        EXPECT_EQ(log.FieldByName("LINE").AsString(), line);
    }
    log.First();
    log.Next();
    log.Edit();
    log.FieldByName("LINE").SetAsString("TWO");
    log.Post();
    EXPECT_EQ(log.FieldByName("LINE").AsString(), "TWO");
    log.Next();
    log.Delete();
    EXPECT_EQ(log.FieldByName("LINE").AsString(), "four");
    std::vector<std::string> lines;
    for (log.First(); !log.Eof(); log.Next())
        lines.push_back(log.FieldByName("LINE").AsString());
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "TWO", "four"}));
}

} // namespace
