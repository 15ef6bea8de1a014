// Two writers of one table with tags: a second program (table_writer) and
// a second handle in this one, interleaving appends, updates and deletes.
// Every row arrives, no count goes back, and the table checks sound for us
// and reads whole for an independent reader.
#include "../helpers/SecondProgram.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

struct Dir {
    fs::path path = fs::temp_directory_path() / ("schedax-two-" + std::to_string(::getpid()));
    Dir() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Dir() { fs::remove_all(path); }
};

std::set<std::string> codes(TableFile& t) {
    std::set<std::string> out;
    for (RowId r = 1; r <= t.rowCount(); ++r)
        if (!t.isDeleted(r))
            out.insert(t.read(r)[0].text());
    return out;
}

std::string pythonCount(const fs::path& dbf) {
    std::string command = "/usr/bin/python3 -c \"import dbfread,sys; "
                          "print(len(list(dbfread.DBF(sys.argv[1]))))\" '" +
                          dbf.string() + "'";
    std::FILE* p = ::popen(command.c_str(), "r");
    char line[64] = {};
    std::fgets(line, sizeof line, p);
    ::pclose(p);
    return std::string(line).substr(0, std::string(line).find('\n'));
}

} // namespace

TEST(TwoWriters, ProgramsAndHandlesInterleavingOnADbaseTableKeepEveryRow) {
    Dir dir;
    fs::path table = dir.path / "T.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 8, 0}, {"N", FieldType::Numeric, 5, 0}});
        t->addIndex({"CODE", "CODE", "", false, false});
        t->addIndex({"N", "STR(N,5)+CODE", ".NOT. DELETED()", false, false});
    }
    auto mine = openTable(table);
    auto second = openTable(table); // a second handle of this program
    SecondProgram other(table);
    ASSERT_EQ(other.opened(), "ok");
    std::set<std::string> expected;
    for (int round = 0; round < 6; ++round) {
        // The other program appends a run of rows after our handles cached their count.
        for (int i = 0; i < 50; ++i) {
            std::string code = "P" + std::to_string(round * 100 + i);
            ASSERT_EQ(other.send("append " + code + "|" + std::to_string(i)).substr(0, 2), "ok");
            if (round > 0 || i >= 6)
                expected.insert(code); // rows 1-6 are updated below
        }
        mine->update(1 + round, {Value("M" + std::to_string(round)), Value(7.0)});
        second->append({Value("H" + std::to_string(round)), Value(1.0)});
        ASSERT_EQ(other.send("delete 2").substr(0, 2), "ok");
        mine->append({Value("A" + std::to_string(round)), Value(3.0)});
        for (std::string code : {"H", "A", "M"})
            expected.insert(code + std::to_string(round));
    }
    expected.erase("M1"); // row 2, deleted by the other program
    mine->refresh();
    EXPECT_EQ(mine->rowCount(), 6u * 52u);
    EXPECT_EQ(codes(*mine), expected);
    EXPECT_EQ(mine->check(), std::vector<std::string>{});
    EXPECT_EQ(other.send("check"), "ok");
    EXPECT_EQ(pythonCount(table), std::to_string(6 * 52 - 1));
}

TEST(TwoWriters, ATableLeftInTheMiddleOfAWriteIsRefusedUntilReindexed) {
    Dir dir;
    fs::path table = dir.path / "K.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 8, 0}, {"N", FieldType::Numeric, 5, 0}});
        t->addIndex({"CODE", "CODE", "", false, false});
    }
    {
        SecondProgram other(table);
        ASSERT_EQ(other.send("killat 40"), "ok");
        EXPECT_EQ(other.sendAndWait("bulk 5000 1"), SIGKILL);
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
