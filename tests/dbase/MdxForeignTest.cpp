#include "MdxReaders.h"

#include <algorithm>
#include <cstdio>

using namespace engine;
using namespace engine::dbase;

namespace {

const FieldList fields = {{"NAME", FieldType::Character, 10, 0},
                          {"AMOUNT", FieldType::Numeric, 8, 2},
                          {"DAY", FieldType::Date, 8, 0}};

// The records that tests/dbase/mdx_foreign.py indexes.
Record foreignRecord(int i) {
    char name[8];
    std::snprintf(name, sizeof name, "R%03d", i * 37 % 80);
    return {Value(name), Value(i * 2.5 - 50),
            i % 10 == 0 ? Value() : Value(Date::fromJulianDay(2451545 + i))};
}

} // namespace

// An index with 512-byte blocks, another leaf fill and the even digit count
// of other writers opens, reads in order, and takes in-place writes that
// leave it sound for our Python checker.
TEST(MdxForeign, IndexOfAnotherWriterIsReadAndMaintained) {
    support::TempDir temp("mdx-foreign");
    auto dir = temp.path();
    support::Outcome written =
        support::run({"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/dbase/mdx_foreign.py",
                      (dir / "FOREIGN.MDX").string()});
    ASSERT_EQ(written.status, 0) << written.out << written.err;
    MdxTestTable t;
    t.fields = fields;
    for (int i = 1; i <= 80; ++i)
        t.append(foreignRecord(i));
    auto index = ProductionIndex::open(dir / "FOREIGN.MDX", "foreign.dbf", fields,
                                       BinaryFile::Mode::ReadWrite, LockMode::Exclusive, 0x03);
    t.index = index.get();
    ASSERT_EQ(index->tags().size(), 3u);
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    auto byAmount = cursorOrder(*index, "AMOUNT");
    ASSERT_EQ(byAmount.size(), 80u);
    EXPECT_TRUE(std::is_sorted(byAmount.begin(), byAmount.end()));
    auto byDay = cursorOrder(*index, "DAY");
    EXPECT_EQ(byDay[72], 10u); // blank dates last
    auto c = index->cursor("AMOUNT");
    ASSERT_TRUE(c->seek(index->key("AMOUNT", {Value(), Value(0.0), Value()})));
    EXPECT_EQ(c->row(), 20u);

    for (int i = 81; i <= 1200; ++i)
        t.append(foreignRecord(i));
    for (RowId r = 1; r <= 1200; r += 7)
        t.update(r, foreignRecord(static_cast<int>(1201 - r)));
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    auto python = readWithPython(dir / "FOREIGN.MDX");
    ASSERT_EQ(python.size(), 3u);
    EXPECT_GE(python["NAME"].levels, 3);
    for (const char* tag : {"NAME", "AMOUNT", "DAY"})
        EXPECT_EQ(recnosOf(python[tag].entries), cursorOrder(*index, tag)) << tag;
}
