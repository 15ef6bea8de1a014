#include "engine/dataset/BatchMove.h"
#include "engine/base/EngineError.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class BatchMoves : public ::testing::Test {
protected:
    void SetUp() override {
        db.DatabaseName = "Create";
        db.AliasName = dir.string();
        db.Open();
    }

    void create(const std::string& name, std::vector<FieldDescriptor> fields) {
        db.CreateTable({name, "DBASE", fields}, true);
    }

    void open(TTable& t, const std::string& name) {
        t.SetDatabaseName(dir.string());
        t.SetTableName(name);
        t.Exclusive = true;
    }

    support::TempDir temp{"batchmove"};
    fs::path dir = temp.path();
    TDatabase db;
};

TEST_F(BatchMoves, ColumnsPairByNameWhenFieldsAreAddedDroppedAndMoved) {
    create("OLD", {{1, "CODE", 0x201, 0, 6, 0},
                   {2, "NAME", 0x201, 0, 20, 0},
                   {3, "PRICE", 0x202, 0, 8, 2},
                   {4, "GONE", 0x201, 0, 5, 0}});
    TTable old;
    open(old, "OLD");
    old.Open();
    old.Insert();
    old.FieldByName("CODE").SetAsString("A1");
    old.FieldByName("NAME").SetAsString("A rather long name");
    old.FieldByName("PRICE").SetAsFloat(1234.56);
    old.FieldByName("GONE").SetAsString("bye");
    old.Post();
    old.Insert();
    old.FieldByName("CODE").SetAsString("B2");
    old.FieldByName("PRICE").SetAsFloat(7.5);
    old.Post();
    old.Close();

    // New layout: a field inserted in the middle, one dropped, one moved and narrowed.
    create("NEW", {{1, "CODE", 0x201, 0, 6, 0},
                   {2, "ADDED", 0x205, 0, 0, 0},
                   {3, "PRICE", 0x202, 0, 6, 1},
                   {4, "NAME", 0x201, 0, 8, 0}});
    TTable source, destination;
    open(source, "OLD");
    open(destination, "NEW");
    TBatchMove move;
    move.Source = &source;
    move.Destination = &destination;
    move.AbortOnProblem = false;
    EXPECT_EQ(move.Execute(), 2u);
    EXPECT_EQ(move.ProblemCount, 2u); // the name cut, 1234.56 rounded to one decimal
    EXPECT_EQ(move.DroppedFields, (std::vector<std::string>{"GONE"}));

    destination.Open();
    destination.First();
    EXPECT_EQ(destination.FieldByName("CODE").AsString(), "A1");
    EXPECT_EQ(destination.FieldByName("NAME").AsString(), "A rather");
    EXPECT_TRUE(destination.FieldByName("ADDED").IsNull());
    EXPECT_DOUBLE_EQ(destination.FieldByName("PRICE").AsFloat(), 1234.6);
    destination.Next();
    EXPECT_EQ(destination.FieldByName("CODE").AsString(), "B2");
    EXPECT_DOUBLE_EQ(destination.FieldByName("PRICE").AsFloat(), 7.5);

    move.AbortOnProblem = true;
    EXPECT_THROW(move.Execute(), EngineError);

    // Into a table of the same layout every value arrives as it was.
    create("SAME", {{1, "CODE", 0x201, 0, 6, 0},
                    {2, "NAME", 0x201, 0, 20, 0},
                    {3, "PRICE", 0x202, 0, 8, 2},
                    {4, "GONE", 0x201, 0, 5, 0}});
    TTable same;
    open(same, "SAME");
    move.Destination = &same;
    EXPECT_EQ(move.Execute(), 2u);
    EXPECT_EQ(move.ProblemCount, 0u);
    same.Open();
    EXPECT_EQ(same.FieldByName("NAME").AsString(), "A rather long name");
    EXPECT_DOUBLE_EQ(same.FieldByName("PRICE").AsFloat(), 1234.56);
    EXPECT_EQ(same.FieldByName("GONE").AsString(), "bye");
}

TEST_F(BatchMoves, DatabaseOperationsAndLocks) {
    create("T1", {{1, "CODE", 0x201, 0, 6, 0}, {2, "DAY", 0x205, 0, 0, 0}});
    EXPECT_THROW(create("T2", {{1, "CODE", 0x101, 0, 6, 0}}), EngineError); // Paradox type in dBase
    EXPECT_THROW(create("T2", {{1, "CODE", 0, 0, 6, 0}}), EngineError);
    EXPECT_EQ(db.WorkingDirectory(), dir.string() + "/");

    TTable t;
    open(t, "T1");
    t.Open();
    IndexDescriptor tag;
    tag.tagName = "BYCODE";
    tag.keyExpression = "CODE";
    db.AddIndex(t, tag);
    t.SetIndexName("BYCODE");
    EXPECT_THROW(db.RenameTable("T1", "DBASE", "$$T1"), EngineError); // open here

    // A second program cannot open the table while we hold it exclusively.
    support::Outcome other =
        support::run({SCHEDAX_BINARY_DIR "/tools/tabletool", "info", (dir / "T1.DBF").string()});
    EXPECT_NE((other.out + other.err).find("is in use by dataset_tests (process "),
              std::string::npos)
        << other.out << other.err;
    t.Close();

    db.RenameTable("T1", "DBASE", "$$T1");
    EXPECT_TRUE(tableExists(dir / "$$T1.DBF"));
    EXPECT_FALSE(tableExists(dir / "T1.DBF"));
    TTable renamed;
    open(renamed, "$$T1");
    renamed.SetIndexName("BYCODE");
    renamed.Open(); // the index still belongs to its table
    renamed.Close();
    db.DeleteTable("$$T1", "DBASE");
    EXPECT_FALSE(tableExists(dir / "$$T1.DBF"));
    EXPECT_FALSE(fs::exists(dir / "$$T1.MDX"));
}

} // namespace

namespace {

TEST_F(BatchMoves, MovesBetweenLayoutsSkipDeletedRowsCarryMemosAndKeepTagsRight) {
    create(
        "OLD",
        {{1, "CODE", 0x201, 0, 6, 0}, {2, "NOTE", 0x203, 0, 10, 0}, {3, "PRICE", 0x202, 0, 8, 2}});
    TTable old;
    open(old, "OLD");
    old.Open();
    for (const char* code : {"C3", "C1", "GONE", "C2"}) {
        old.Insert();
        old.FieldByName("CODE").SetAsString(code);
        old.FieldByName("NOTE").SetAsString(std::string("memo of ") + code);
        old.FieldByName("PRICE").SetAsFloat(12.25);
        old.Post();
    }
    for (old.First(); old.FieldByName("CODE").AsString() != "GONE"; old.Next())
        ASSERT_FALSE(old.Eof());
    old.Delete();
    old.Close();

    // An empty table with a tag, and one that already holds a row.
    for (const char* name : {"EMPTY", "FILLED"}) {
        create(name, {{1, "CODE", 0x201, 0, 6, 0},
                      {2, "ADDED", 0x201, 0, 4, 0},
                      {3, "NOTE", 0x203, 0, 10, 0},
                      {4, "PRICE", 0x202, 0, 8, 1}});
        TTable table;
        open(table, name);
        table.Open();
        IndexDescriptor byCode;
        byCode.tagName = "BYCODE";
        byCode.keyExpression = "CODE";
        db.AddIndex(table, byCode);
        if (std::string(name) == "FILLED") {
            table.Insert();
            table.FieldByName("CODE").SetAsString("C0");
            table.Post();
        }
        table.Close();

        TTable source, destination;
        open(source, "OLD");
        open(destination, name);
        TBatchMove move;
        move.Source = &source;
        move.Destination = &destination;
        move.AbortOnProblem = false;
        EXPECT_EQ(move.Execute(), 3u) << name;
        EXPECT_EQ(move.FieldProblems,
                  (std::vector<std::pair<std::string, std::uint64_t>>{{"PRICE", 3}}))
            << name;

        destination.SetIndexName("BYCODE");
        destination.Open();
        std::string seen;
        for (; !destination.Eof(); destination.Next())
            seen += destination.FieldByName("CODE").AsString() + ":" +
                    destination.FieldByName("NOTE").AsString() + ";";
        std::string expected = "C1:memo of C1;C2:memo of C2;C3:memo of C3;";
        EXPECT_EQ(seen, std::string(name) == "FILLED" ? "C0:;" + expected : expected) << name;
        destination.Close();
        EXPECT_TRUE(openTable(dir / (std::string(name) + ".DBF"))->check().empty()) << name;
    }
}

TEST_F(BatchMoves, TheNewTableTakesTheDiskSpaceOfTheRowsItHoldsOnly) {
    // The move sets aside the space of every source row; deleted rows do
    // not come along, and their space is given back.
    auto old = createTable(dir / "MANY.DBF", {{"CODE", FieldType::Character, 200, 0}});
    old->beginAppendBatch();
    for (int n = 1; n <= 1000; ++n)
        old->append({Value("C" + std::to_string(n))});
    old->endAppendBatch();
    for (RowId row = 101; row <= 1000; ++row)
        old->remove(row);
    auto added = createTable(dir / "FEW.DBF", {{"CODE", FieldType::Character, 200, 0},
                                               {"ADDED", FieldType::Character, 4, 0}});
    EXPECT_EQ(moveRows(*old, *added).MovedCount, 100u);
    EXPECT_EQ(added->rowCount(), 100u);
    EXPECT_EQ(added->read(100)[0].text(), "C100");
    added.reset();

    struct stat file {};
    ASSERT_EQ(::stat((dir / "FEW.DBF").c_str(), &file), 0);
    // Set aside, 1,000 rows would take 205,000 bytes.
    EXPECT_LT(file.st_blocks * 512, file.st_size + 64 * 1024) << "blocks " << file.st_blocks;
}

} // namespace
