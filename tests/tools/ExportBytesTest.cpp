// What export writes, byte for byte: every dBase field type, memo values of
// one and of several blocks, blanks, deleted records, text that needs quotes,
// and Italian text stored in cp1252 and in cp850, in an Italian locale.
#include "TabletoolFixture.h"
#include "support/FileBytes.h"

#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using support::Outcome;
using support::readBytes;
using support::writeBytes;

namespace {

class ExportBytes : public TabletoolFixture {
protected:
    ExportBytes() : TabletoolFixture({{"LC_ALL", "it_IT.UTF-8"}}) {}

    // A new table of `layout` holding `csv`, its language driver (header
    // byte 29) set to `driver` before the rows go in.
    void fill(const std::string& table, const std::string& layout, const std::string& csv,
              char driver) {
        ASSERT_EQ(tool({"create", at(table), layout}).status, 0);
        std::string header = readBytes(dir / table);
        header[29] = driver;
        writeBytes(dir / table, header);
        writeBytes(dir / "in.csv", csv);
        Outcome imported = tool({"import", at(table), at("in.csv")});
        ASSERT_EQ(imported.status, 0) << imported.err;
    }
};

const char* kLayout = "CODE C 10, NAME C 30, AMOUNT N 12 2, RATE F 10 4, DAY D, OK L, NOTE M, "
                      "PIC B, OLE G";

// Memo values of three blocks (512 bytes each), the text with an accent at either end.
const std::string kLongMemo = "è" + std::string(1400, 'x') + " più";
const std::string kLongHex = [] {
    std::string hex;
    for (int i = 0; i < 2400; ++i)
        hex += "0123456789abcdef"[i % 16];
    return hex;
}();

// As imported, and as exported once row A002 is deleted.
const std::string kRows[] = {
    "A001,\"Perché, città\",12.50,0.1250,2026-01-15,T,\"Caffè \"\"forte\"\"\npiù zucchero\","
    "00ff10,d0cf11e0\n",
    "A002,Deleted row,1.00,1.0000,2026-02-01,F,gone,ab,cd\n",
    "A003,,,,,,,,\n",
    "A004,\" leading, \"\"quoted\"\"\",-0.01,-123.4567,1999-12-31,F,\"one\r\ntwo, three\",,\n",
    "A005,Ünal Zoë naïve àèìòù,99999999.99,12345.6789,0001-01-01,T," + kLongMemo + "," + kLongHex +
        ",\n",
    "\"A,6\",\"two\nlines\",0.00,0.0000,9999-12-31,F,,,\n",
};
const std::string kHeader = "CODE,NAME,AMOUNT,RATE,DAY,OK,NOTE,PIC,OLE\n";

std::string allRowsBut(std::size_t skipped) {
    std::string csv = kHeader;
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (i != skipped)
            csv += kRows[i];
    return csv;
}

} // namespace

TEST_F(ExportBytes, EveryFieldTypeInBothCodePagesAsItWasImported) {
    struct Page {
        const char* table;
        char driver;
        std::string memo;   // the stem of the memo file
        std::string perche; // "Perché" as the page stores it
        std::string caffe;  // "Caffè"
    } pages[] = {{"W.DBF", 0x57, "W.DBT", "Perch\xE9", "Caff\xE8"},
                 {"D.DBF", 0x02, "D.DBT", "Perch\x82", "Caff\x8A"}};
    for (const Page& page : pages) {
        SCOPED_TRACE(page.table);
        ASSERT_NO_FATAL_FAILURE(
            fill(page.table, kLayout, allRowsBut(std::size(kRows)), page.driver));
        // The text is stored in the table's page, in the record and in the memo.
        EXPECT_NE(readBytes(dir / page.table).find(page.perche), std::string::npos);
        EXPECT_NE(readBytes(dir / page.memo).find(page.caffe), std::string::npos);
        EXPECT_EQ(tool({"export", at(page.table)}).out, allRowsBut(std::size(kRows)));

        engine::openTable(dir / page.table)->remove(2);
        Outcome exported = tool({"export", at(page.table)});
        ASSERT_EQ(exported.status, 0) << exported.err;
        EXPECT_EQ(exported.out, allRowsBut(1));
    }
}
