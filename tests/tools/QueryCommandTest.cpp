#include "../dbase/DbaseTestSupport.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using dbase_test::Outcome;
using dbase_test::quoted;
using support::TempDir;
using support::writeBytes;

namespace {

Outcome tool(const TempDir& dir, const std::string& args) {
    return dbase_test::run(std::string(SCHEDAX_BINARY_DIR "/tools/tabletool ") + args, dir.path());
}

} // namespace

TEST(TabletoolQuery, PrintsTheResultAsCsvWithParameters) {
    TempDir dir;
    std::string table = quoted((dir / "ITEMS.DBF").string());
    ASSERT_EQ(tool(dir, "create " + table + " 'CODE C 6, QTY N 5 0, DAY D, OK L'").status, 0);
    writeBytes(dir / "items.csv",
               "CODE,QTY,DAY,OK\nB2,7,2026-02-01,F\nA1,12,2026-01-15,T\nc3,,,\n");
    ASSERT_EQ(tool(dir, "import " + table + " " + quoted((dir / "items.csv").string())).status, 0);
    std::string where = quoted(dir.path().string());

    Outcome all = tool(dir, "query " + where + " 'SELECT * FROM ITEMS ORDER BY CODE'");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "CODE,QTY,DAY,OK\nA1,12,2026-01-15,T\nB2,7,2026-02-01,F\nc3,,,\n");

    // Double quotes delimit strings; LIKE is case-sensitive; numbers compare as numbers.
    Outcome some = tool(dir, "query " + where +
                                 " 'SELECT CODE FROM ITEMS WHERE CODE LIKE \"%1%\" OR QTY > :n "
                                 "ORDER BY QTY' --param n=8");
    ASSERT_EQ(some.status, 0) << some.err;
    EXPECT_EQ(some.out, "CODE\nA1\n");
    Outcome lower =
        tool(dir, "query " + where + " 'SELECT CODE FROM ITEMS WHERE CODE LIKE \"C%\"'");
    EXPECT_EQ(lower.out, "CODE\n");

    Outcome bad = tool(dir, "query " + where + " 'SELECT * FROM NOSUCH'");
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("no such table"), std::string::npos) << bad.err;
    EXPECT_EQ(tool(dir, "query " + where + " 'SELECT 1' --param novalue").status, 2);
}
