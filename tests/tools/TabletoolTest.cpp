#include "TabletoolFixture.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/drivers/Tables.h"
#include "engine/values/NumberText.h"

#include <gtest/gtest.h>

using support::Outcome;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

class Tabletool : public TabletoolFixture {};

const char* kCsv = "CODE,NAME,AMOUNT,DAY,OK,NOTE\n"
                   "A001,Bolts,12.50,2026-01-15,T,Zinc plated\n"
                   "A002,\"Nuts, hex\",-3.20,2026-02-01,F,\n"
                   "B010,Washers,,,,\"two\nlines \"\"quoted\"\"\"\n";

} // namespace

TEST_F(Tabletool, CreateImportExportInfoCheck) {
    ASSERT_EQ(tool({"create", at("ITEMS.DBF"),
                    "CODE C 10, NAME C 30, AMOUNT N 12 2, DAY D, OK L, NOTE M"})
                  .status,
              0);
    writeBytes(dir / "items.csv", kCsv);
    Outcome imported = tool({"import", at("ITEMS.DBF"), at("items.csv")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("3 rows imported"), std::string::npos);

    Outcome exported = tool({"export", at("ITEMS.DBF")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, kCsv);

    Outcome info = tool({"info", at("ITEMS.DBF")});
    ASSERT_EQ(info.status, 0) << info.err;
    for (const char* line : {"Records:      3", "Version:      0x8B", "Code page:    1252",
                             "AMOUNT     N 12 2", "NOTE       M 10", "Indexes: none"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;

    Outcome check = tool({"check", at("ITEMS.DBF")});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("sound"), std::string::npos);

    // Deleted records are not exported.
    engine::openTable(dir / "ITEMS.DBF")->remove(2);
    Outcome afterDelete = tool({"export", at("ITEMS.DBF")});
    EXPECT_EQ(afterDelete.out.find("A002"), std::string::npos) << afterDelete.out;
    EXPECT_NE(afterDelete.out.find("B010"), std::string::npos);
}

TEST_F(Tabletool, BadArgumentsAndBadInputWriteNothing) {
    ASSERT_EQ(tool({"create", at("T.DBF"), "CODE C 4, AMOUNT N 6 2, DAY D"}).status, 0);
    expectRefused({"create", at("T.DBF"), "CODE C 4"}, "T.DBF", "already exists");
    expectMisused({"create", at("U.DBF"), "CODE Q 4"}, "T.DBF", "unknown field type");
    EXPECT_FALSE(std::filesystem::exists(dir / "U.DBF"));
    expectMisused({"create", at("U.DBF"), "CODE C"}, "T.DBF", "takes one size");
    expectMisused({"frobnicate"}, "T.DBF", "unknown command");
    expectMisused({"export", at("T.DBF"), "--bogus"}, "T.DBF", "unknown option --bogus");
    expectMisused({"export", at("T.DBF"), "--tag"}, "T.DBF", "needs a value");
    expectMisused({"info"}, "T.DBF", "missing arguments");
    expectRefused({"info", at("NONE.DBF")}, "T.DBF", "NONE.DBF");

    // Every row is checked before the first is written.
    writeBytes(dir / "bad.csv", "CODE,DAY\nAB,2026-01-01\nCD,2026-02-30\n");
    expectRefused({"import", at("T.DBF"), at("bad.csv")}, "T.DBF", "line 3");
    writeBytes(dir / "bad.csv", "CODE,AMOUNT\nAB,1.5\nCD,1000\n");
    expectRefused({"import", at("T.DBF"), at("bad.csv")}, "T.DBF", "does not fit width 6");
    writeBytes(dir / "bad.csv", "CODE,COLOUR\nAB,red\n");
    expectRefused({"import", at("T.DBF"), at("bad.csv")}, "T.DBF", "no field \"COLOUR\"");
    writeBytes(dir / "bad.csv", "CODE\nTOOLONG\n");
    expectRefused({"import", at("T.DBF"), at("bad.csv")}, "T.DBF", "longer than 4");
    writeBytes(dir / "bad.csv", "CODE,AMOUNT\nAB\n");
    expectRefused({"import", at("T.DBF"), at("bad.csv")}, "T.DBF", "1 cells, the header 2");

    // A damaged file: check lists the fault (exit 1), other commands refuse it.
    std::string bytes = readBytes(dir / "T.DBF");
    bytes[4] = 5;
    writeBytes(dir / "T.DBF", bytes);
    expectRefused({"export", at("T.DBF")}, "T.DBF", "record count 5 points past the end");
    Outcome check = tool({"check", at("T.DBF")});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("record count 5"), std::string::npos) << check.out;
}

TEST_F(Tabletool, AppendPairsFieldsByNameAndCountsLosses) {
    ASSERT_EQ(
        tool({"create", at("SRC.DBF"), "NAME C 14, AMOUNT N 10 3, DAY D, NOTE M, ONLY L"}).status,
        0);
    writeBytes(dir / "src.csv", "NAME,AMOUNT,DAY,NOTE,ONLY\n"
                                "short,1.5,2026-03-04,memo one,T\n"
                                "much too long,2.125,,,F\n"
                                "gone,3,,,\n");
    ASSERT_EQ(tool({"import", at("SRC.DBF"), at("src.csv")}).status, 0);
    engine::openTable(dir / "SRC.DBF")->remove(3);
    // Another order, narrower, other types; a date becomes text as dd/mm/yyyy.
    ASSERT_EQ(tool({"create", at("DST.DBF"), "NOTE M, DAY C 10, AMOUNT N 6 1, NAME C 8"}).status,
              0);
    Outcome r = tool({"append", at("DST.DBF"), at("SRC.DBF")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 rows appended, 2 values not carried over exactly"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("field ONLY"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("AMOUNT: 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("NAME: 1"), std::string::npos) << r.out;
    Outcome exported = tool({"export", at("DST.DBF")});
    EXPECT_EQ(exported.out, "NOTE,DAY,AMOUNT,NAME\n"
                            "memo one,04/03/2026,1.5,short\n"
                            ",,2.1,much too\n");
    expectMisused({"append", at("DST.DBF"), at("DST.DBF")}, "DST.DBF", "itself");
}

TEST_F(Tabletool, IndexExportInTagOrderReindexAndCheck) {
    ASSERT_EQ(tool({"create", at("ITEMS.DBF"),
                    "CODE C 10, NAME C 30, AMOUNT N 12 2, DAY D, OK L, NOTE M"})
                  .status,
              0);
    writeBytes(dir / "items.csv", kCsv);
    ASSERT_EQ(tool({"import", at("ITEMS.DBF"), at("items.csv")}).status, 0);
    // A malformed expression: refused, no index file left behind.
    expectRefused({"index", at("ITEMS.DBF"), "BAD", "UPPER(NAME"}, "ITEMS.DBF", "UPPER(NAME");
    EXPECT_FALSE(std::filesystem::exists(dir / "ITEMS.MDX"));
    expectMisused({"index", at("ITEMS.DBF"), "X", "NAME", "--primary"}, "ITEMS.DBF", "Paradox");

    Outcome added = tool({"index", at("ITEMS.DBF"), "BYNAME", "UPPER(NAME)", "--descending"});
    ASSERT_EQ(added.status, 0) << added.err;
    ASSERT_EQ(
        tool({"index", at("ITEMS.DBF"), "BYDAY", "DTOS(DAY)", "--for", "OK", "--unique"}).status,
        0);
    Outcome info = tool({"info", at("ITEMS.DBF")});
    EXPECT_NE(info.out.find("BYNAME     key UPPER(NAME)  [descending]"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("BYDAY      key DTOS(DAY)  for OK  [unique]"), std::string::npos)
        << info.out;

    Outcome byName = tool({"export", at("ITEMS.DBF"), "--tag", "byname"});
    ASSERT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(byName.out.substr(0, byName.out.find('\n', 30)),
              "CODE,NAME,AMOUNT,DAY,OK,NOTE\nB010,Washers,,,,\"two");
    Outcome byDay = tool({"export", at("ITEMS.DBF"), "--tag", "BYDAY"});
    EXPECT_EQ(byDay.out,
              "CODE,NAME,AMOUNT,DAY,OK,NOTE\nA001,Bolts,12.50,2026-01-15,T,Zinc plated\n");
    expectRefused({"export", at("ITEMS.DBF"), "--tag", "NONE"}, "ITEMS.DBF", "NONE");

    // A damaged index: check lists it (exit 1), reindex rebuilds it.
    std::string mdx = readBytes(dir / "ITEMS.MDX");
    writeBytes(dir / "ITEMS.MDX", mdx.substr(0, mdx.size() - 512));
    Outcome damaged = tool({"check", at("ITEMS.DBF")});
    EXPECT_EQ(damaged.status, 1) << damaged.out << damaged.err;
    EXPECT_NE(damaged.out.find("ITEMS.MDX"), std::string::npos) << damaged.out;
    Outcome rebuilt = tool({"reindex", at("ITEMS.DBF")});
    EXPECT_EQ(rebuilt.status, 0) << rebuilt.err;
    EXPECT_NE(rebuilt.out.find("2 indexes rebuilt"), std::string::npos) << rebuilt.out;
    EXPECT_EQ(tool({"check", at("ITEMS.DBF")}).status, 0);
    EXPECT_EQ(tool({"export", at("ITEMS.DBF"), "--tag", "BYDAY"}).out, byDay.out);
}

TEST_F(Tabletool, ParadoxLayoutsWithKeyFields) {
    Outcome created =
        tool({"create", at("P.DB"), "*CODE A 6, *PART S, NAME A 20, AMOUNT N, DAY D"});
    ASSERT_EQ(created.status, 0) << created.err;
    writeBytes(dir / "p.csv",
               "CODE,PART,NAME,AMOUNT,DAY\nB2,1,Beta,2.5,2026-01-02\nA1,7,Alpha,-1.25,\n"
               "A1,3,Alpha three,0.1,\n");
    ASSERT_EQ(tool({"import", at("P.DB"), at("p.csv")}).status, 0);
    Outcome info = tool({"info", at("P.DB")});
    EXPECT_NE(info.out.find("key CODE;PART  [primary"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("PART       S\n"), std::string::npos) << info.out;
    // The primary key orders the rows.
    EXPECT_EQ(tool({"export", at("P.DB")}).out, "CODE,PART,NAME,AMOUNT,DAY\nA1,3,Alpha three,0.1,\n"
                                                "A1,7,Alpha,-1.25,\nB2,1,Beta,2.5,2026-01-02\n");

    // Keys the primary key refuses stop import and append before they write.
    writeBytes(dir / "dup.csv", "CODE,PART,NAME\nC9,1,new\nA1,7,taken\n");
    expectRefused({"import", at("P.DB"), at("dup.csv")}, "P.DB",
                  "line 3: its primary key is already in the table");
    writeBytes(dir / "dup.csv", "CODE,PART,NAME\nC9,1,new\nC9,1,again\n");
    expectRefused({"import", at("P.DB"), at("dup.csv")}, "P.DB",
                  "line 3: its primary key is given twice");
    ASSERT_EQ(tool({"create", at("S.DBF"), "CODE C 6, PART N 3, NAME C 20"}).status, 0);
    writeBytes(dir / "s.csv", "CODE,PART,NAME\nZ1,1,fresh\nB2,1,taken\n");
    ASSERT_EQ(tool({"import", at("S.DBF"), at("s.csv")}).status, 0);
    expectRefused({"append", at("P.DB"), at("S.DBF")}, "P.DB",
                  "row 2 of " + at("S.DBF") + ": its primary key (B2; 1) is already");
    EXPECT_EQ(tool({"export", at("P.DB")}).out.find("Z1"), std::string::npos);

    expectMisused({"create", at("Q.DB"), "NAME A 20, *CODE A 6"}, "P.DB",
                  "key fields must come first");
    expectMisused({"create", at("Q.DBF"), "*CODE C 6"}, "P.DB", "for Paradox tables");
    expectMisused({"index", at("P.DB"), "BYNAME", "NAME", "--unique"}, "P.DB", "for dBase tags");
    EXPECT_FALSE(std::filesystem::exists(dir / "Q.DB"));
}

TEST_F(Tabletool, CheckStaysSoundThroughBatchesOfChanges) {
    ASSERT_EQ(tool({"create", at("B.DBF"), "CODE C 8, AMOUNT N 9 2, NOTE M"}).status, 0);
    ASSERT_EQ(tool({"index", at("B.DBF"), "BYCODE", "CODE"}).status, 0);
    ASSERT_EQ(
        tool({"index", at("B.DBF"), "RICH", "UPPER(CODE)", "--for", "AMOUNT > 100", "--descending"})
            .status,
        0);
    for (int batch = 0; batch < 3; ++batch) {
        std::string csv = "CODE,AMOUNT,NOTE\n";
        for (int i = 0; i < 80; ++i)
            csv += "c" + std::to_string((i * 37 + batch) % 61) + "," +
                   engine::formatNumber(i * 3.5, 2) + "," +
                   (i % 3 ? std::string(static_cast<std::size_t>(i * 9), 'n') : "") + "\n";
        writeBytes(dir / "b.csv", csv);
        ASSERT_EQ(tool({"import", at("B.DBF"), at("b.csv")}).status, 0);
        {
            auto t = engine::openTable(dir / "B.DBF");
            for (engine::RowId row = 1 + batch; row <= t->rowCount(); row += 7) {
                t->update(row, {engine::Value("u" + std::to_string(row)), engine::Value(row * 1.0),
                                engine::Value("changed")});
                t->remove(row + 3 <= t->rowCount() ? row + 3 : row);
            }
        }
        Outcome check = tool({"check", at("B.DBF")});
        EXPECT_EQ(check.status, 0) << "batch " << batch << ": " << check.out;
    }
}

// Impossible Paradox field descriptors: one line each from check (exit 1),
// also when they keep the table from opening at all.
TEST_F(Tabletool, CheckNamesDamagedParadoxDescriptors) {
    ASSERT_EQ(tool({"create", at("P.DB"), "*CODE A 6, AMOUNT N, RATE # 2"}).status, 0);
    writeBytes(dir / "p.csv", "CODE,AMOUNT,RATE\nA1,2.5,0.25\n");
    ASSERT_EQ(tool({"import", at("P.DB"), at("p.csv")}).status, 0);
    EXPECT_EQ(tool({"check", at("P.DB")}).status, 0);
    const std::string sound = readBytes(dir / "P.DB");
    // The descriptors (type code, size) follow the level-5 header at 0x78.
    auto damage = [&](std::size_t at, char value) {
        std::string bytes = sound;
        bytes[at] = value;
        writeBytes(dir / "P.DB", bytes);
    };

    damage(0x78 + 2 * 2 + 1, 34); // RATE's decimals
    Outcome check = tool({"check", at("P.DB")});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "P.DB: field RATE (BCD) has 34 decimals, outside 0..32\n");

    damage(0x78 + 2 * 1, 0x07); // AMOUNT's type code
    check = tool({"check", at("P.DB")});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "File " + (dir / "P.DB").string() +
                             ": field AMOUNT has type code 0x07, which is no Paradox field type\n");
    expectRefused({"export", at("P.DB")}, "P.DB", "field AMOUNT has type code 0x07");
}
