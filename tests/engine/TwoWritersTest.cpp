// Two writers of one table with tags: a second program (table_writer) and
// a second handle in this one, interleaving appends, updates and deletes.
// Every row arrives, no count goes back, and the table checks sound for us
// and reads whole for an independent reader.
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace engine;
namespace fs = std::filesystem;

namespace {

std::set<std::string> codes(TableFile& t) {
    std::set<std::string> out;
    for (RowId r = 1; r <= t.rowCount(); ++r)
        if (!t.isDeleted(r))
            out.insert(t.read(r)[0].text());
    return out;
}

std::string pythonCount(const fs::path& dbf) {
    std::string out =
        support::run({"/usr/bin/python3", "-c",
                      "import dbfread,sys; print(len(list(dbfread.DBF(sys.argv[1]))))",
                      dbf.string()})
            .out;
    return out.substr(0, out.find('\n'));
}

} // namespace

TEST(TwoWriters, ProgramsAndHandlesInterleavingOnADbaseTableKeepEveryRow) {
    support::TempDir dir("schedax-two");
    fs::path table = dir / "T.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 8, 0}, {"N", FieldType::Numeric, 5, 0}});
        t->addIndex({"CODE", "CODE", "", false, false});
        t->addIndex({"N", "STR(N,5)+CODE", ".NOT. DELETED()", false, false});
    }
    auto mine = openTable(table);
    auto second = openTable(table); // a second handle of this program
    support::Child other({TABLE_WRITER, table.string()});
    ASSERT_EQ(other.readLine(), "ok");
    std::set<std::string> expected;
    for (int round = 0; round < 6; ++round) {
        // The other program appends a run of rows after our handles cached their count.
        for (int i = 0; i < 50; ++i) {
            std::string code = "P" + std::to_string(round * 100 + i);
            ASSERT_EQ(other.ask("append " + code + "|" + std::to_string(i)).substr(0, 2), "ok");
            if (round > 0 || i >= 6)
                expected.insert(code); // rows 1-6 are updated below
        }
        mine->update(1 + round, {Value("M" + std::to_string(round)), Value(7.0)});
        second->append({Value("H" + std::to_string(round)), Value(1.0)});
        ASSERT_EQ(other.ask("delete 2").substr(0, 2), "ok");
        mine->append({Value("A" + std::to_string(round)), Value(3.0)});
        for (std::string code : {"H", "A", "M"})
            expected.insert(code + std::to_string(round));
    }
    expected.erase("M1"); // row 2, deleted by the other program
    mine->refresh();
    EXPECT_EQ(mine->rowCount(), 6u * 52u);
    EXPECT_EQ(codes(*mine), expected);
    EXPECT_EQ(mine->check(), std::vector<std::string>{});
    EXPECT_EQ(other.ask("check"), "ok");
    EXPECT_EQ(pythonCount(table), std::to_string(6 * 52 - 1));
}

TEST(TwoWriters, ATableLeftInTheMiddleOfAWriteIsRefusedUntilReindexed) {
    support::TempDir dir("schedax-two");
    fs::path table = dir / "K.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 8, 0}, {"N", FieldType::Numeric, 5, 0}});
        t->addIndex({"CODE", "CODE", "", false, false});
    }
    {
        support::Child other({TABLE_WRITER, table.string()});
        ASSERT_EQ(other.readLine(), "ok"); // the table is open
        ASSERT_EQ(other.ask("killat 40"), "ok");
        other.writeLine("bulk 5000 1");
        EXPECT_EQ(other.wait().signal, SIGKILL);
    }
    auto t = openTable(table);
    try {
        t->append({Value("X"), Value(1.0)});
        FAIL() << "a table left unfinished was written";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::IndexOutOfDate);
        EXPECT_NE(std::string(e.what()).find("tabletool reindex"), std::string::npos) << e.what();
    }
    t->reindex();
    t->append({Value("X"), Value(1.0)});
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}
