#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
using support::readBytes;
using support::TempDir;

namespace {

FieldList everyType() {
    return {{"CODE", FieldType::Character, 10, 0}, {"AMOUNT", FieldType::Numeric, 10, 2},
            {"RATE", FieldType::Float, 12, 4},     {"QTY", FieldType::Numeric, 6, 0},
            {"DAY", FieldType::Date, 8, 0},        {"OK", FieldType::Logical, 1, 0},
            {"NOTE", FieldType::Memo, 10, 0},      {"DATA", FieldType::Binary, 10, 0},
            {"OLE", FieldType::Ole, 10, 0}};
}

// Offset of record `row`'s field bytes in the file, from its own header.
std::string fieldBytes(const std::string& file, int row, int offset, int length) {
    auto u16 = [&](int at) {
        return static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8;
    };
    std::size_t at = u16(8) + static_cast<std::size_t>(row - 1) * u16(10) + offset;
    return file.substr(at, length);
}

} // namespace

TEST(DbfRoundTrip, EveryTypeAndBlankReadsBackAsWritten) {
    TempDir dir;
    Record full{Value("Bolts"),
                Value(-12.5),
                Value(3.14159),
                Value(42),
                Value(Date::fromYmd(2026, 2, 28)),
                Value(true),
                Value("Zinc plated"),
                Value(Blob{std::string("\0\x01\xFF\x1A", 4)}),
                Value(Blob{"ole bytes"})};
    Record blank(9);
    Record falsy{Value(""),    Value(0.0), Value(), Value(-7), Value(),
                 Value(false), Value(),    Value(), Value()};
    {
        auto t = createTable(dir / "ALL.DBF", everyType());
        EXPECT_EQ(t->append(full), 1u);
        EXPECT_EQ(t->append(blank), 2u);
        EXPECT_EQ(t->append(falsy), 3u);
    }
    auto t = openTable(dir / "all.dbf"); // found case-insensitively
    ASSERT_EQ(t->rowCount(), 3u);
    Record r1 = t->read(1);
    EXPECT_EQ(r1[0], Value("Bolts"));
    EXPECT_EQ(r1[1], Value(-12.5));
    EXPECT_EQ(r1[2], Value(3.1416)); // rounded to the field's 4 decimals
    EXPECT_EQ(r1[3], Value(42.0));
    EXPECT_EQ(r1[4], Value(Date::fromYmd(2026, 2, 28)));
    EXPECT_EQ(r1[5], Value(true));
    EXPECT_EQ(r1[6], Value("Zinc plated"));
    EXPECT_EQ(r1[7], full[7]);
    EXPECT_EQ(r1[8], full[8]);

    Record r2 = t->read(2);
    EXPECT_EQ(r2[0], Value("")); // blank character fields read as empty text
    for (int i = 1; i < 9; ++i)
        EXPECT_TRUE(r2[i].isNull()) << "field " << i;
    Record r3 = t->read(3);
    EXPECT_EQ(r3[1], Value(0.0)); // zero is not blank
    EXPECT_EQ(r3[3], Value(-7.0));
    EXPECT_EQ(r3[5], Value(false));

    // The encodings in the file: right-aligned numbers, blanks, '?' logical.
    std::string file = readBytes(dir / "ALL.DBF");
    EXPECT_EQ(file[0], '\x8B');
    EXPECT_EQ(fieldBytes(file, 1, 1, 10), "Bolts     ");
    EXPECT_EQ(fieldBytes(file, 1, 11, 10), "    -12.50");
    EXPECT_EQ(fieldBytes(file, 1, 33, 6), "    42");
    EXPECT_EQ(fieldBytes(file, 1, 39, 8), "20260228");
    EXPECT_EQ(fieldBytes(file, 2, 11, 10), std::string(10, ' '));
    EXPECT_EQ(fieldBytes(file, 2, 39, 8), std::string(8, ' '));
    EXPECT_EQ(fieldBytes(file, 2, 47, 1), "?");
    EXPECT_EQ(fieldBytes(file, 2, 48, 10), std::string(10, ' '));
    EXPECT_EQ(fieldBytes(file, 3, 11, 10), "      0.00");
    EXPECT_EQ(file.back(), '\x1A');
}

TEST(DbfRoundTrip, ValuesThatDoNotFitAreRefusedAndNothingIsWritten) {
    TempDir dir;
    auto t = createTable(dir / "FIT.DBF", {{"CODE", FieldType::Character, 4, 0},
                                           {"AMOUNT", FieldType::Numeric, 6, 2},
                                           {"NOTE", FieldType::Memo, 10, 0}});
    t->append({Value("ok"), Value(1.0), Value("first")});
    std::string dbf = readBytes(dir / "FIT.DBF"), dbt = readBytes(dir / "FIT.DBT");

    auto expectBadValue = [&](const Record& r, const std::string& field) {
        try {
            t->append(r);
            FAIL() << "accepted a value that does not fit " << field;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::BadValue);
            EXPECT_NE(std::string(e.what()).find(field), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("FIT.DBF"), std::string::npos) << e.what();
        }
    };
    expectBadValue({Value("toolong"), Value(), Value("memo")}, "CODE");
    expectBadValue({Value("a"), Value(1000.0), Value("memo")}, "AMOUNT"); // "1000.00" is 7 wide
    expectBadValue({Value("a"), Value("12"), Value("memo")}, "AMOUNT");   // text in a number
    expectBadValue({Value(1.0), Value(), Value()}, "CODE");
    EXPECT_THROW(t->append({Value("a")}), EngineError);
    // Not in code page 1252:
    try {
        t->append({Value("\xD0\x96"), Value(), Value("memo")});
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::CodePage);
    }
    EXPECT_EQ(t->rowCount(), 1u);
    EXPECT_EQ(readBytes(dir / "FIT.DBF"), dbf);
    EXPECT_EQ(readBytes(dir / "FIT.DBT"), dbt);
    // The widest value that fits still goes in; a negative zero is stored as zero.
    t->append({Value("full"), Value(-99.99), Value()});
    t->append({Value(""), Value(-0.001), Value()});
    EXPECT_EQ(t->read(2)[1], Value(-99.99));
    EXPECT_EQ(fieldBytes(readBytes(dir / "FIT.DBF"), 3, 5, 6), "  0.00");
}

TEST(DbfRoundTrip, DeleteUpdateAndNaturalOrder) {
    TempDir dir;
    auto t = createTable(dir / "ROWS.DBF",
                         {{"N", FieldType::Numeric, 5, 0}, {"NOTE", FieldType::Memo, 10, 0}});
    for (int i = 1; i <= 5; ++i)
        t->append({Value(i), Value("memo " + std::to_string(i))});
    std::uint64_t before = t->changeCount();
    t->remove(2);
    t->remove(2); // already deleted: no change
    EXPECT_TRUE(t->isDeleted(2));
    EXPECT_FALSE(t->isDeleted(3));
    EXPECT_EQ(t->read(2)[0], Value(2.0)); // a deleted record keeps its data

    std::uintmax_t dbtSize = std::filesystem::file_size(dir / "ROWS.DBT");
    t->update(3, {Value(30), Value("memo 3")}); // same memo: no new block
    EXPECT_EQ(std::filesystem::file_size(dir / "ROWS.DBT"), dbtSize);
    t->update(4, {Value(40), Value("a longer memo for four")});
    EXPECT_GT(std::filesystem::file_size(dir / "ROWS.DBT"), dbtSize);
    t->update(2, {Value(20), Value()});
    EXPECT_TRUE(t->isDeleted(2)); // an update keeps the flag
    EXPECT_GT(t->changeCount(), before);

    auto cursor = t->openIndex("");
    std::vector<RowId> rows;
    for (bool more = cursor->first(); more; more = cursor->next())
        rows.push_back(cursor->row());
    EXPECT_EQ(rows, (std::vector<RowId>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(cursor->last());
    EXPECT_EQ(cursor->row(), 5u);
    EXPECT_TRUE(cursor->prior());
    EXPECT_EQ(cursor->row(), 4u);
    EXPECT_TRUE(cursor->seek(""));
    EXPECT_EQ(cursor->row(), 1u);

    EXPECT_THROW(t->read(6), EngineError);
    EXPECT_THROW(t->read(0), EngineError);
    t.reset();
    auto again = openTable(dir / "ROWS");
    EXPECT_EQ(again->read(3)[0], Value(30.0));
    EXPECT_EQ(again->read(4)[1], Value("a longer memo for four"));
    EXPECT_TRUE(again->read(2)[1].isNull());
    EXPECT_TRUE(again->check().empty());
}

TEST(DbfRoundTrip, HeaderLengthIsTakenFromTheFile) {
    TempDir dir;
    createTable(dir / "PAD.DBF", {{"NAME", FieldType::Character, 5, 0}})->append({Value("first")});
    // Some writers leave bytes between the 0x0D terminator and the first record.
    std::string bytes = readBytes(dir / "PAD.DBF");
    const std::size_t headerLength = 32 + 32 + 1;
    bytes.insert(headerLength, std::string(263, '\0'));
    bytes[8] = static_cast<char>((headerLength + 263) & 0xFF);
    bytes[9] = static_cast<char>((headerLength + 263) >> 8);
    support::writeBytes(dir / "PAD.DBF", bytes);

    auto t = openTable(dir / "PAD.DBF");
    EXPECT_EQ(t->read(1)[0], Value("first"));
    t->append({Value("more")});
    EXPECT_TRUE(t->check().empty());
    t.reset();
    std::string after = readBytes(dir / "PAD.DBF");
    EXPECT_EQ(after.substr(8, headerLength + 263 - 8), bytes.substr(8, headerLength + 263 - 8));
    EXPECT_EQ(after.substr(headerLength + 263), " first more \x1A");
}
