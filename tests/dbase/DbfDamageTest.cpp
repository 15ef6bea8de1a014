#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

// A sound two-record table with a memo; returns the DBF bytes.
std::string makeTable(const TempDir& dir) {
    auto t = createTable(dir / "T.DBF",
                         {{"NAME", FieldType::Character, 8, 0}, {"NOTE", FieldType::Memo, 10, 0}});
    t->append({Value("one"), Value("first memo")});
    t->append({Value("two"), Value("second memo")});
    t.reset();
    return readBytes(dir / "T.DBF");
}

// Opening (and reading every record) fails with `code` and a message that
// names the file and contains `words`; the files are left as they were.
void expectRefused(const TempDir& dir, std::uint16_t expected, const std::string& words) {
    std::string dbf = readBytes(dir / "T.DBF"), dbt = readBytes(dir / "T.DBT");
    try {
        auto t = openTable(dir / "T.DBF");
        for (RowId row = 1; row <= t->rowCount(); ++row)
            t->read(row);
        FAIL() << "damage not detected: " << words;
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), expected) << e.what();
        EXPECT_NE(std::string(e.what()).find("T.D"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
    EXPECT_EQ(readBytes(dir / "T.DBF"), dbf);
    EXPECT_EQ(readBytes(dir / "T.DBT"), dbt);
}

void setU16(std::string& bytes, std::size_t at, unsigned v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

} // namespace

TEST(DbfDamage, DamagedHeadersAreRefusedWithClearErrors) {
    TempDir dir;
    const std::string good = makeTable(dir);

    writeBytes(dir / "T.DBF", good.substr(0, 20));
    expectRefused(dir, code::FileCorrupt, "header is truncated");

    writeBytes(dir / "T.DBF", good.substr(0, 60)); // header cut inside the descriptors
    expectRefused(dir, code::FileCorrupt, "header length");

    std::string bad = good;
    setU16(bad, 8, 32 + 32 + 1); // one descriptor short of the two fields
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::FileCorrupt, "header length");

    bad = good;
    setU16(bad, 10, 30); // record length that is not the fields' sum
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::FileCorrupt, "record length");

    bad = good;
    bad[4] = 3; // three records, two in the file
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::FileCorrupt, "record count 3 points past the end");

    bad = good;
    bad[0] = '\x8C';
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::NotSupported, "dBase 7");
    bad[0] = '\x30';
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::NotSupported, "version byte 0x30");

    bad = good;
    bad[32 + 11] = 'X'; // unknown field type
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::NotSupported, "field NAME");
}

TEST(DbfDamage, BadMemoPointersAreClearErrors) {
    TempDir dir;
    const std::string good = makeTable(dir);
    std::size_t memoField = 97 + 1 + 8; // header 97 bytes, flag, NAME
    std::string bad = good;
    bad.replace(memoField, 10, "       999");
    writeBytes(dir / "T.DBF", bad);
    expectRefused(dir, code::FileCorrupt, "block 999 past the end");

    auto t = openTable(dir / "T.DBF", {.exclusive = false, .readOnly = true});
    std::vector<std::string> faults = t->check();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("record 1"), std::string::npos) << faults[0];
    EXPECT_NE(faults[0].find("NOTE"), std::string::npos) << faults[0];
    t.reset();

    // A block that is not the start of a value, and a length past the end.
    std::string dbt = readBytes(dir / "T.DBT");
    writeBytes(dir / "T.DBF", good);
    std::string badDbt = dbt;
    badDbt[512] = 'x';
    writeBytes(dir / "T.DBT", badDbt);
    expectRefused(dir, code::FileCorrupt, "does not start a memo value");
    badDbt = dbt;
    badDbt[512 + 5] = 0x7F;
    writeBytes(dir / "T.DBT", badDbt);
    expectRefused(dir, code::FileCorrupt, "past the end of the file");

    std::filesystem::remove(dir / "T.DBT");
    try {
        openTable(dir / "T.DBF");
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::FileNotFound);
        EXPECT_NE(std::string(e.what()).find("T.DBT"), std::string::npos) << e.what();
    }
}

TEST(DbfDamage, CheckFindsFaultsInsideRecordsAndAfterThem) {
    TempDir dir;
    std::string bytes = makeTable(dir);
    bytes[97] = '#';      // first record's deletion flag
    bytes[97 + 19] = '!'; // second record's
    bytes.pop_back();     // the 0x1A end marker
    writeBytes(dir / "T.DBF", bytes);
    auto t = openTable(dir / "T.DBF", {.exclusive = false, .readOnly = true});
    std::vector<std::string> faults = t->check();
    ASSERT_EQ(faults.size(), 3u) << ::testing::PrintToString(faults);
    EXPECT_NE(faults[0].find("end marker"), std::string::npos) << faults[0];
    EXPECT_NE(faults[1].find("record 1: deletion flag"), std::string::npos) << faults[1];
    EXPECT_NE(faults[2].find("record 2: deletion flag"), std::string::npos) << faults[2];
    EXPECT_EQ(t->read(1)[0], Value("one")); // a missing end marker is tolerated on read
}
