#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/paradox/ParadoxDriver.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace engine;

namespace {

FieldList everyType() {
    return {
        {"Code", FieldType::Character, 10, 0},
        {"Amount", FieldType::Double, 0, 0},
        {"Money", FieldType::Currency, 0, 0},
        {"Day", FieldType::Date, 0, 0},
        {"Small", FieldType::Short, 0, 0},
        {"Big", FieldType::Long, 0, 0},
        {"Counter", FieldType::AutoInc, 0, 0},
        {"Clock", FieldType::Time, 0, 0},
        {"Stamp", FieldType::Timestamp, 0, 0},
        {"Flag", FieldType::Logical, 0, 0},
        {"Raw", FieldType::Bytes, 4, 0},
        {"Notes", FieldType::Memo, 12, 0},
        {"Picture", FieldType::Ole, 0, 0},
        {"Data", FieldType::Binary, 5, 0},
        {"Styled", FieldType::FormattedMemo, 8, 0},
        {"Price", FieldType::Bcd, 0, 2},
    };
}

std::string bytesOf(int n, char seed) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>(seed + i * 7);
    return s;
}

} // namespace

TEST(ParadoxRoundTrip, EveryTypeAndBlankComesBack) {
    support::TempDir dir("paradox-test");
    auto path = dir / "ALL.DB";
    std::vector<Record> rows = {
        {"Città", 3.25, -12.5, Date::fromYmd(1996, 5, 4), -5, std::int64_t{-70000}, Value(),
         std::int64_t{3600000}, 63000000000.0, true, Value(Blob{std::string("\0\1\2\3", 4)}),
         "short memo", Value(Blob{bytesOf(3000, 1)}), Value(Blob{std::string("ab\0cd", 5)}),
         std::string(600, 'f'), 1234.56},
        {"", 0.0, 0.0, Date::fromYmd(1, 1, 1), 0, std::int64_t{0}, Value(), std::int64_t{0}, 0.0,
         false, Value(), std::string(2100, 'm'), Value(Blob{bytesOf(40, 2)}), Value(), "", -0.5},
        Record(16),
    };
    {
        auto t = createTable(path, everyType());
        for (const Record& r : rows)
            t->append(r);
    }
    auto t = openTable(path);
    ASSERT_EQ(t->rowCount(), 3u);
    EXPECT_EQ(t->fields()[0], (FieldDef{"Code", FieldType::Character, 10, 0}));
    EXPECT_EQ(t->fields()[11], (FieldDef{"Notes", FieldType::Memo, 12, 0}));
    EXPECT_EQ(t->fields()[15], (FieldDef{"Price", FieldType::Bcd, 0, 2}));
    auto cursor = t->openIndex("");
    std::vector<Record> back;
    for (bool on = cursor->first(); on; on = cursor->next())
        back.push_back(t->read(cursor->row()));
    ASSERT_EQ(back.size(), 3u);
    // The counter fills in 1, 2, 3; the empty text and the empty blobs read as blank.
    rows[0][6] = std::int64_t{1};
    rows[1][6] = std::int64_t{2};
    rows[2][6] = std::int64_t{3};
    rows[1][0] = Value();
    rows[1][14] = Value();
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t f = 0; f < rows[r].size(); ++f)
            EXPECT_EQ(back[r][f], rows[r][f]) << "row " << r << " field " << f;
    EXPECT_TRUE(t->check().empty());
    // Big blob values went to the blob file, made of whole 4 KiB blocks.
    auto mb = dir / "ALL.MB";
    ASSERT_TRUE(std::filesystem::exists(mb));
    EXPECT_EQ(std::filesystem::file_size(mb) % 4096, 0u);
}

TEST(ParadoxRoundTrip, RefusesValuesThatDoNotFit) {
    support::TempDir dir("paradox-test");
    auto t = createTable(dir / "T.DB", {{"Name", FieldType::Character, 3, 0},
                                        {"Small", FieldType::Short, 0, 0},
                                        {"Day", FieldType::Date, 0, 0}});
    auto codeOf = [&](const Record& r) {
        try {
            t->append(r);
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("T.DB"), std::string::npos) << e.what();
            return e.code();
        }
        return code::Success;
    };
    EXPECT_EQ(codeOf({"ABCD", Value(), Value()}), code::BadValue);
    EXPECT_EQ(codeOf({"A", 40000, Value()}), code::BadValue);
    EXPECT_EQ(codeOf({"A", Value(), "2020-01-01"}), code::BadValue);
    EXPECT_EQ(codeOf({"\xE4\xB8\xAD", Value(), Value()}), code::CodePage); // not in cp1252
    EXPECT_EQ(t->rowCount(), 0u);
    EXPECT_THROW(createTable(dir / "U.DB", {{"N", FieldType::Numeric, 10, 2}}), EngineError);
    EXPECT_THROW(createTable(dir / "V.DB", {{"A", FieldType::Character, 256, 0}}), EngineError);
}

TEST(ParadoxRoundTrip, UnkeyedTableKeepsArrivalOrderThroughChanges) {
    support::TempDir dir("paradox-test");
    auto path = dir / "PLAIN.DB";
    auto t = paradox::createTableWithBlocks(
        path, {{"N", FieldType::Long, 0, 0}, {"S", FieldType::Character, 100, 0}}, 1);
    for (int i = 0; i < 500; ++i)
        t->append({i, "row " + std::to_string(i)});
    // Remove every row whose number is not a multiple of 3, change the others.
    auto c = t->openIndex("");
    EXPECT_THROW(c->seek("x"), EngineError); // no key to seek in
    std::vector<RowId> rows;
    for (bool on = c->first(); on; on = c->next())
        rows.push_back(c->row());
    // Ids of later rows in a block shift as earlier ones go: remove from the back.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        std::int64_t n = t->read(*it)[0].integer();
        if (n % 3)
            t->remove(*it);
        else
            t->update(*it, {n, Value()});
    }
    EXPECT_EQ(t->rowCount(), 167u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    std::int64_t expected = 0;
    for (bool on = c->first(); on; on = c->next(), expected += 3) {
        Record r = t->read(c->row());
        ASSERT_EQ(r[0].integer(), expected);
        EXPECT_TRUE(r[1].isNull());
    }
    // Emptied blocks leave the file.
    while (c->first())
        t->remove(c->row());
    EXPECT_EQ(t->rowCount(), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), 0x800u);
    t->append({1, "again"});
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}
