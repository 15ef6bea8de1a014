// Numbers and texts at their limits through import, export, append and
// query, in an Italian locale (a decimal comma), each compared with what an
// independent reader finds in the files.
#include "TabletoolFixture.h"
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using support::Outcome;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

class ExactValues : public TabletoolFixture {
protected:
    ExactValues() : TabletoolFixture({{"LC_ALL", "it_IT.UTF-8"}}) {}

    // A Python program run in the test's folder, `input` its standard input.
    Outcome python(const std::string& script, const std::string& input = {}) {
        support::RunOptions options;
        options.directory = dir.path();
        options.input = input;
        return support::python(script, options);
    }
    // The JSON that px_read.py, the independent Paradox reader, prints for a table.
    std::string pxRead(const std::string& table) {
        return support::run(
                   {"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/paradox/px_read.py", at(table)})
            .out;
    }
};

const char* kDbaseLayout = "CODE C 4, BIG N 20 0, NEG N 20 0, AMT N 18 2, TINY N 20 18, "
                           "F F 10 0, Z N 8 2, NOTE M";
const char* kDbaseCsv = "CODE,BIG,NEG,AMT,TINY,F,Z,NOTE\r\n"
                        "A,12345678901234567890,-9999999999999999999,999999999999999.99,"
                        "0.000000000000000001,100000,-0.00,\"two\r\nlines\"\r\n"
                        "B,99999999999999999999,0,-99999999999999.99,9.999999999999999999,"
                        "30000000,12345.67,x\r\n";
// As exported: LF line ends between rows, CR LF inside the cell as stored,
// negative zero stored as zero.
const char* kDbaseExport = "CODE,BIG,NEG,AMT,TINY,F,Z,NOTE\n"
                           "A,12345678901234567890,-9999999999999999999,999999999999999.99,"
                           "0.000000000000000001,100000,0.00,\"two\r\nlines\"\n"
                           "B,99999999999999999999,0,-99999999999999.99,9.999999999999999999,"
                           "30000000,12345.67,x\n";

} // namespace

TEST_F(ExactValues, DbaseNumbersAtTheirLimitsKeepEveryDigit) {
    ASSERT_EQ(tool({"create", at("T.DBF"), kDbaseLayout}).status, 0);
    writeBytes(dir / "in.csv", std::string("\xEF\xBB\xBF") + kDbaseCsv); // with a BOM
    Outcome imported = tool({"import", at("T.DBF"), at("in.csv")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(tool({"export", at("T.DBF")}).out, kDbaseExport);

    // The bytes of the records, as dbfread finds them, are the digits given.
    if (support::haveDbfread()) {
        Outcome bytes = python("import dbfread\n"
                               "for r in dbfread.DBF('T.DBF', raw=True):\n"
                               "    print('|'.join(v.decode('latin-1').strip() for k, v in "
                               "r.items() if k != 'NOTE'))\n"
                               "for r in dbfread.DBF('T.DBF'):\n"
                               "    print(repr(r['NOTE'].rstrip('\\x00')))\n");
        EXPECT_EQ(bytes.out, "A|12345678901234567890|-9999999999999999999|999999999999999.99|"
                             "0.000000000000000001|100000|0.00\n"
                             "B|99999999999999999999|0|-99999999999999.99|9.999999999999999999|"
                             "30000000|12345.67\n"
                             "'two\\r\\nlines'\n'x'\n")
            << bytes.err;
    }

    // Another layout: every value goes through the conversion, none is lost.
    ASSERT_EQ(tool({"create", at("U.DBF"),
                    "NOTE M, Z N 8 2, F F 10 0, TINY N 20 18, AMT N 18 2, NEG N 20 0, BIG N 20 0, "
                    "CODE C 4, MORE C 1"})
                  .status,
              0);
    Outcome appended = tool({"append", at("U.DBF"), at("T.DBF")});
    ASSERT_EQ(appended.status, 0) << appended.err;
    EXPECT_NE(appended.out.find("2 rows appended, 0 values not carried over exactly"),
              std::string::npos)
        << appended.out;
    EXPECT_EQ(tool({"export", at("U.DBF")}).out,
              "NOTE,Z,F,TINY,AMT,NEG,BIG,CODE,MORE\n"
              "\"two\r\nlines\",0.00,100000,0.000000000000000001,999999999999999.99,"
              "-9999999999999999999,12345678901234567890,A,\n"
              "x,12345.67,30000000,9.999999999999999999,-99999999999999.99,0,"
              "99999999999999999999,B,\n");

    // Numbers into text fields: their digits with the source's decimals, no comma.
    ASSERT_EQ(tool({"create", at("V.DBF"), "CODE C 4, AMT C 20, Z C 10"}).status, 0);
    ASSERT_EQ(tool({"append", at("V.DBF"), at("T.DBF")}).status, 0);
    EXPECT_EQ(tool({"export", at("V.DBF")}).out, "CODE,AMT,Z\n"
                                                 "A,999999999999999.99,0.00\n"
                                                 "B,-99999999999999.99,12345.67\n");

    // A query gives the same digits, also beyond 64 bits, and compares numbers in any locale.
    Outcome queried =
        tool({"query", at("."), "SELECT CODE, BIG, NEG, AMT, TINY, F, Z FROM T WHERE Z > 0.5"});
    ASSERT_EQ(queried.status, 0) << queried.err;
    EXPECT_EQ(queried.out, "CODE,BIG,NEG,AMT,TINY,F,Z\n"
                           "B,99999999999999999999,0,-99999999999999.99,9.999999999999999999,"
                           "30000000,12345.67\n");
    // Beyond 64 bits a value still sorts, groups and compares as a number, not as a text
    // after every number.
    queried =
        tool({"query", at("."), "SELECT CODE, NEG FROM T WHERE NEG < 1 ORDER BY NEG, TINY DESC"});
    EXPECT_EQ(queried.out, "CODE,NEG\nA,-9999999999999999999\nB,0\n") << queried.err;
    queried = tool({"query", at("."),
                    "SELECT MIN(NEG) AS LOW, MAX(AMT) AS HIGH, COUNT(DISTINCT BIG) AS N FROM T"});
    EXPECT_EQ(queried.out, "LOW,HIGH,N\n-9999999999999999999,999999999999999.99,2\n")
        << queried.err;
    // ... and compares digit by digit, where doubles would find these equal.
    queried = tool({"query", at("."),
                    "SELECT CODE FROM T WHERE BIG > \"99999999999999999998\" OR BIG = "
                    "\"12345678901234567891\" OR AMT = -99999999999999.98 OR NEG = 0.0"});
    EXPECT_EQ(queried.out, "CODE\nB\n") << queried.err;
    queried = tool(
        {"query", at("."), "SELECT CODE FROM T WHERE TINY < 0.000000000000000002 AND Z > 0 - 1"});
    EXPECT_EQ(queried.out, "CODE\nA\n") << queried.err;
}

// A BCD field keeps 32 digits with its decimals, refuses what it cannot hold,
// and sorts as numbers in a query.
TEST_F(ExactValues, ParadoxBcdKeepsItsDigits) {
    ASSERT_EQ(tool({"create", at("B.DB"), "CODE A 4, AMT # 2"}).status, 0);
    EXPECT_NE(tool({"info", at("B.DB")}).out.find("AMT        # 2"), std::string::npos);
    const std::string csv = "CODE,AMT\nA,5.00\nB,-123456789012345678901234567890.12\nC,0.25\n";
    writeBytes(dir / "in.csv", csv);
    Outcome imported = tool({"import", at("B.DB"), at("in.csv")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(tool({"export", at("B.DB")}).out, csv);
    writeBytes(dir / "bad.csv", "CODE,AMT\nD,0.255\n");
    expectRefused({"import", at("B.DB"), at("bad.csv")}, "B.DB",
                  "line 2: field AMT: 0.255 has more than 2 decimals");
    writeBytes(dir / "bad.csv", "CODE,AMT\nD,1234567890123456789012345678901.00\n");
    expectRefused({"import", at("B.DB"), at("bad.csv")}, "B.DB", "more than 32 digits");

    // The independent reader finds the digits as packed nibbles, a negative value inverted.
    Outcome read = python("import json, sys\n"
                          "t = json.load(sys.stdin)\n"
                          "print(' '.join(r[1] for r in t['rows']))\n",
                          pxRead("B.DB"));
    EXPECT_EQ(read.out, "a0" + std::string(29, '0') + "500 5f" +
                            std::string("edcba9876fedcba9876fedcba9876fed") + " a0" +
                            std::string(30, '0') + "25\n")
        << read.err;
    Outcome queried = tool({"query", at("."), "SELECT CODE, AMT FROM B ORDER BY AMT"});
    EXPECT_EQ(queried.out, "CODE,AMT\nB,-123456789012345678901234567890.12\nC,0.25\nA,5.00\n")
        << queried.err;
}

TEST_F(ExactValues, ParadoxNumbersAtTheirLimitsRoundTrip) {
    ASSERT_EQ(tool({"create", at("P.DB"), "CODE A 4, S S, L I, N N, C $"}).status, 0);
    const std::string largest = "17976931348623157" + std::string(292, '0');
    const std::string smallest = "0." + std::string(323, '0') + "5";
    const std::string csv = "CODE,S,L,N,C\n"
                            "A,32767,2147483647," +
                            largest + ",922337203685477.5\n" + "B,-32767,-2147483647," + smallest +
                            ",-922337203685477.5\n" + "C,0,0,-0,0.01\n";
    writeBytes(dir / "in.csv", csv);
    Outcome imported = tool({"import", at("P.DB"), at("in.csv")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    std::string expected = csv;
    expected.replace(expected.find(",-0,"), 4, ",0,");
    EXPECT_EQ(tool({"export", at("P.DB")}).out, expected);

    // The independent reader finds the same numbers.
    Outcome read = python("import json, sys, decimal\n"
                          "t = json.load(sys.stdin)\n"
                          "for r in t['rows']:\n"
                          "    print(','.join(str(v) if isinstance(v, (str, int)) else "
                          "format(decimal.Decimal(repr(v)).normalize(), 'f') for v in r))\n",
                          pxRead("P.DB"));
    EXPECT_EQ(read.out, "A,32767,2147483647," + largest + ",922337203685477.5\n" +
                            "B,-32767,-2147483647," + smallest + ",-922337203685477.5\n" +
                            "C,0,0,0,0.01\n")
        << read.err;

    ASSERT_EQ(tool({"create", at("Q.DB"), "C $, N N, L I, S S, CODE A 4"}).status, 0);
    Outcome appended = tool({"append", at("Q.DB"), at("P.DB")});
    EXPECT_NE(appended.out.find("3 rows appended, 0 values not carried over exactly"),
              std::string::npos)
        << appended.out << appended.err;
    Outcome queried = tool({"query", at("."), "SELECT CODE, S, L, N, C FROM Q ORDER BY CODE"});
    EXPECT_EQ(queried.out, expected) << queried.err;
}

TEST_F(ExactValues, ImportChecksEveryValueBeforeItWrites) {
    ASSERT_EQ(tool({"create", at("P.DB"), "CODE A 4, S S, L I"}).status, 0);
    ASSERT_EQ(tool({"create", at("T.DBF"), "CODE C 4, AMT N 8 2, BIG N 20 0"}).status, 0);
    auto refused = [&](const std::string& table, const std::string& rows,
                       const std::string& words) {
        writeBytes(dir / "bad.csv", rows);
        expectRefused({"import", at(table), at("bad.csv")}, table, words);
    };
    // Values that Paradox cannot tell from a blank, found before the first row is written.
    refused("P.DB", "CODE,S\nA,1\nB,-32768\n", "line 3: field S");
    refused("P.DB", "CODE,L\nA,1\nB,-2147483648\n", "line 3: field L");
    // A text the code page cannot hold.
    refused("P.DB", "CODE,S\nA,1\n\xD0\x96,2\n", "line 3");
    refused("T.DBF", "CODE,AMT\nA,1\n\xD0\x96,2\n", "field CODE");
    // Decimals are not rounded, widths not stretched.
    refused("T.DBF", "CODE,AMT\nA,1.234\n", "line 2: field AMT: 1.234 has more than 2 decimals");
    refused("T.DBF", "CODE,AMT\nA,123456.00\n", "does not fit width 8");
    refused("T.DBF", "CODE,BIG\nA,123456789012345678901\n", "does not fit width 20");
    refused("T.DBF", "CODE,AMT\nA,\"1,5\"\n", "is not a number");
}

TEST_F(ExactValues, LimitsAndFaultsAreNamed) {
    ASSERT_EQ(tool({"create", at("T.DBF"), "A C 60, B C 60, NOTE M"}).status, 0);
    expectRefused({"index", at("T.DBF"), "AB", "A+B"}, "T.DBF", "120 bytes wide");
    writeBytes(dir / "in.csv", "A,NOTE\nx,first\ny,second\n");
    ASSERT_EQ(tool({"import", at("T.DBF"), at("in.csv")}).status, 0);

    // A query reads only the tables it names: a foreign file beside them does not matter.
    writeBytes(dir / "JUNK.DBF", "not a table");
    Outcome queried = tool({"query", at("."), "SELECT A FROM T ORDER BY A"});
    EXPECT_EQ(queried.out, "A\nx\ny\n") << queried.err;
    Outcome failed = tool({"query", at("."), "SELECT A\nFROM T\nWHERE NOPE = 1"});
    EXPECT_EQ(failed.status, 3);
    EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
    EXPECT_NE(failed.err.find("no such column: NOPE"), std::string::npos) << failed.err;

    // Two records pointing at one memo block, and a field with more decimals than digits.
    std::string bytes = readBytes(dir / "T.DBF");
    const std::size_t header =
        static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const std::size_t record =
        static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8;
    const std::size_t memoAt = 1 + 60 + 60;
    bytes.replace(header + record + memoAt, 10, bytes.substr(header + memoAt, 10));
    writeBytes(dir / "T.DBF", bytes);
    Outcome checked = tool({"check", at("T.DBF")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("record 2: field NOTE points to memo block"), std::string::npos)
        << checked.out;
    EXPECT_NE(checked.out.find("which record 1 (field NOTE) uses too"), std::string::npos);

    ASSERT_EQ(tool({"create", at("N.DBF"), "AMT N 10 2"}).status, 0);
    bytes = readBytes(dir / "N.DBF");
    bytes[32 + 17] = static_cast<char>(200);
    writeBytes(dir / "N.DBF", bytes);
    checked = tool({"check", at("N.DBF")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("field AMT has 200 decimals in a width of 10"), std::string::npos)
        << checked.out << checked.err;
}

TEST_F(ExactValues, TwentyDigitKeysStayApartInAUniqueIndex) {
    ASSERT_EQ(tool({"create", at("K.DBF"), "CODE C 2, BIG N 20 0"}).status, 0);
    ASSERT_EQ(tool({"index", at("K.DBF"), "BIG", "BIG", "--unique"}).status, 0);
    // One double for all three: only their digits tell them apart.
    writeBytes(dir / "in.csv", "CODE,BIG\nc,12345678901234567892\na,12345678901234567890\n"
                               "b,12345678901234567891\n");
    Outcome imported = tool({"import", at("K.DBF"), at("in.csv")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(tool({"export", at("K.DBF"), "--tag", "BIG"}).out,
              "CODE,BIG\na,12345678901234567890\nb,12345678901234567891\n"
              "c,12345678901234567892\n");
    EXPECT_EQ(tool({"check", at("K.DBF")}).status, 0);
}
