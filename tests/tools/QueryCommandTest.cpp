#include "TabletoolFixture.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

using support::writeBytes;

class TabletoolQuery : public TabletoolFixture {};

TEST_F(TabletoolQuery, PrintsTheResultAsCsvWithParameters) {
    std::string table = at("ITEMS.DBF");
    ASSERT_EQ(tool({"create", table, "CODE C 6, QTY N 5 0, DAY D, OK L"}).status, 0);
    writeBytes(dir / "items.csv",
               "CODE,QTY,DAY,OK\nB2,7,2026-02-01,F\nA1,12,2026-01-15,T\nc3,,,\n");
    ASSERT_EQ(tool({"import", table, at("items.csv")}).status, 0);
    std::string where = dir.path().string();

    Outcome all = tool({"query", where, "SELECT * FROM ITEMS ORDER BY CODE"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "CODE,QTY,DAY,OK\nA1,12,2026-01-15,T\nB2,7,2026-02-01,F\nc3,,,\n");

    // Double quotes delimit strings; LIKE is case-sensitive; numbers compare as numbers.
    Outcome some = tool({"query", where,
                         "SELECT CODE FROM ITEMS WHERE CODE LIKE \"%1%\" OR QTY > :n ORDER BY QTY",
                         "--param", "n=8"});
    ASSERT_EQ(some.status, 0) << some.err;
    EXPECT_EQ(some.out, "CODE\nA1\n");
    Outcome lower = tool({"query", where, "SELECT CODE FROM ITEMS WHERE CODE LIKE \"C%\""});
    EXPECT_EQ(lower.out, "CODE\n");

    Outcome bad = tool({"query", where, "SELECT * FROM NOSUCH"});
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("no such table"), std::string::npos) << bad.err;
    EXPECT_EQ(tool({"query", where, "SELECT 1", "--param", "novalue"}).status, 2);
}

// A folder name with a quote in it: the table's path is a quoted SQL literal inside.
TEST_F(TabletoolQuery, ReadsTablesInAFolderWhoseNameHoldsQuotes) {
    for (std::string folder : {"O'Brien's data", "say \"hi\""}) {
        std::filesystem::create_directory(dir / folder);
        std::string table = at(folder + "/ITEMS.DB");
        ASSERT_EQ(tool({"create", table, "CODE A 6, QTY N"}).status, 0);
        writeBytes(dir / folder / "items.csv", "CODE,QTY\nB2,7\nA1,12\n");
        ASSERT_EQ(tool({"import", table, at(folder + "/items.csv")}).status, 0);
        Outcome all = tool({"query", at(folder), "SELECT CODE, QTY FROM ITEMS ORDER BY CODE"});
        EXPECT_EQ(all.status, 0) << folder << ": " << all.err;
        EXPECT_EQ(all.out, "CODE,QTY\nA1,12\nB2,7\n") << folder;
    }
}
