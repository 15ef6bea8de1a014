#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/drivers/Tables.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace engine;

// The files under golden/ were written by this code once and then read
// byte by byte (xxd) against the Paradox format facts:
// GOLD.DB: record size 0x26 (A10 + N + D + L + M5 = 10+8+4+1+15), header
// 0x800, file type 0 (keyed, 1 key field), 2 KiB blocks, 3 records in
// block 1 (next 0, previous 0, addDataSize 2 * 0x26), version 0x0B with
// 0x010B at 0x58 (5.x, as the logical field needs), 0xFF00FF00 at 0x25,
// code page 1252 at 0x6A, descriptors 01 0A / 06 08 / 02 04 / 09 01 / 0C 0F,
// table name, field names, field numbers 1..5 and "ascii". Records in key
// order by bytes ("BRAVO" < "CHARLIE" < "alpha"); 1.5 as BF F8 00..,
// -2 as 3F FF FF..; 1996-05-04 (day 728783) as 80 0B 1E CF and 0001-01-01
// as 80 00 00 01; logicals 81 / 80 / 00; blanks all zero. The 4-byte memo
// sits in its 5-byte leader (locator 0, length 4); the 40-byte one keeps 5
// bytes in the record and points (locator 0x103F = block at 0x1000, slot
// 63; length 40; modification 1) into GOLD.MB: a 4 KiB header block (type
// 0, modification count 1, 0x1000 / 0x1000 / 16 / 64 / 0x800) and one
// sub-allocated block (type 3) whose slot 63 reads 15 03 01 00 08: data at
// 0x150, 3 chunks, 8 bytes in the last one.
// GOLD.PX: entry size 16 (key + 6), file type 1, root block 1, one level,
// 102 at 0x2C; its one entry is "BRAVO", block 80 01, count 80 03, 80 00.
// GOLD.X02/Y02 (field NUM, case-sensitive, file types 5 / 4, field number 2
// at 0x15) and GOLD.XG0/YG0 ("Upper" on KEY, case-insensitive, file types
// 8 / 7, 1 at 0x57): X records are the indexed field, the key and the Hint
// 80 01, in index order (blank < -2 < 1.5; alpha < BRAVO < CHARLIE); field
// names "Sec Key" (single field) or the field's own, then KEY and Hint.
namespace {} // namespace

TEST(ParadoxGolden, SmallTablesKeepTheirBytes) {
    support::TempDir dir("paradox-test");
    {
        auto t = createTable(dir / "GOLD.DB", {{"KEY", FieldType::Character, 10, 0},
                                               {"NUM", FieldType::Double, 0, 0},
                                               {"DAY", FieldType::Date, 0, 0},
                                               {"OK", FieldType::Logical, 0, 0},
                                               {"NOTE", FieldType::Memo, 5, 0}});
        t->addIndex({"", "KEY", "", false, false, true, false});
        t->append({"CHARLIE", -2.0, Value(), Value(), "memo"});
        t->append({"alpha", 1.5, Date::fromYmd(1996, 5, 4), true, std::string(40, 'M')});
        t->append({"BRAVO", Value(), Date::fromYmd(1, 1, 1), false, Value()});
        t->addIndex({"NUM", "NUM", "", false, false, false, false});
        t->addIndex({"Upper", "KEY", "", false, false, false, true});
        EXPECT_TRUE(t->check().empty());
    }
    std::filesystem::path golden =
        std::filesystem::path(SCHEDAX_SOURCE_DIR) / "tests/paradox/golden";
    for (const char* name :
         {"GOLD.DB", "GOLD.PX", "GOLD.MB", "GOLD.X02", "GOLD.Y02", "GOLD.XG0", "GOLD.YG0"})
        EXPECT_EQ(support::readBytes(dir / name), support::readBytes(golden / name)) << name;
}
