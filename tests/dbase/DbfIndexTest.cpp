// The DBF table with its production index: tags follow every write, the
// header flags, and a missing, damaged or foreign MDX.
#include "support/EngineErrors.h"
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace engine;
using support::Outcome;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

FieldList layout() {
    return {{"CODE", FieldType::Character, 6, 0},
            {"AMOUNT", FieldType::Numeric, 8, 2},
            {"DAY", FieldType::Date, 8, 0},
            {"NOTE", FieldType::Memo, 10, 0}};
}

Record makeRow(std::mt19937& random) {
    int amount = static_cast<int>(random() % 2000) - 500;
    return {Value("K" + std::to_string(random() % 400)), Value(amount / 4.0),
            Value(Date::fromYmd(2020 + static_cast<int>(random() % 6),
                                1 + static_cast<int>(random() % 12), 1)),
            random() % 4 ? Value() : Value("memo")};
}

void addTags(TableFile& t) {
    t.addIndex({.name = "BYCODE", .expression = "CODE"});
    t.addIndex({.name = "BYAMT", .expression = "STR(AMOUNT,8,2)", .descending = true});
    t.addIndex({.name = "BYDAY", .expression = "DTOS(DAY)", .forCondition = "AMOUNT > 0"});
}

std::vector<RowId> order(TableFile& t, const std::string& tag) {
    std::vector<RowId> rows;
    auto cursor = t.openIndex(tag);
    for (bool more = cursor->first(); more; more = cursor->next())
        rows.push_back(cursor->row());
    return rows;
}

} // namespace

TEST(DbfIndex, TagsFollowEveryWriteAndTheHeaderFlagsThem) {
    TempDir dir;
    std::mt19937 random(11);
    auto t = createTable(dir / "IDX.DBF", layout());
    for (int i = 0; i < 120; ++i)
        t->append(makeRow(random));
    addTags(*t);

    std::string header = readBytes(dir / "IDX.DBF");
    EXPECT_EQ(header[28], 1);
    EXPECT_EQ(header[32 + 31], 1); // CODE is the whole key of BYCODE
    EXPECT_EQ(header[64 + 31], 0); // AMOUNT only inside an expression
    EXPECT_EQ(header[96 + 31], 0); // DAY: its tag has a FOR condition

    for (int batch = 0; batch < 4; ++batch) {
        t->beginAppendBatch();
        for (int i = 0; i < 60; ++i)
            t->append(makeRow(random));
        t->endAppendBatch();
        for (int i = 0; i < 30; ++i) {
            RowId row = random() % t->rowCount() + 1;
            t->update(row, makeRow(random));
            t->remove(random() % t->rowCount() + 1);
        }
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << "after batch " << batch;
    }

    // Order of each tag against the records, deleted ones included.
    std::vector<Record> rows;
    for (RowId r = 1; r <= t->rowCount(); ++r)
        rows.push_back(t->read(r));
    std::vector<RowId> expected(rows.size());
    for (RowId r = 1; r <= rows.size(); ++r)
        expected[r - 1] = r;
    std::stable_sort(expected.begin(), expected.end(), [&](RowId a, RowId b) {
        return rows[a - 1][0].text() < rows[b - 1][0].text();
    });
    EXPECT_EQ(order(*t, "bycode"), expected);
    std::size_t positive =
        std::count_if(rows.begin(), rows.end(), [](const Record& r) { return r[1].number() > 0; });
    EXPECT_EQ(order(*t, "BYDAY").size(), positive);
    // A character key of numbers, descending: the STR() texts in descending byte order.
    auto text = [&](RowId r) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%8.2f", rows[r - 1][1].number());
        return std::string(buf);
    };
    std::vector<RowId> byAmount = order(*t, "BYAMT");
    ASSERT_EQ(byAmount.size(), rows.size());
    for (std::size_t i = 1; i < byAmount.size(); ++i)
        EXPECT_GE(text(byAmount[i - 1]), text(byAmount[i]));

    if (!support::havePerlXBase())
        return;
    t.reset();
    writeBytes(dir / "keys.pl", R"(
use XBase::Index;
my $ix = XBase::Index->new(shift, tag => 'BYCODE') or die XBase::Index->errstr;
$ix->prepare_select;
while (my ($key, $recno) = $ix->fetch) { print "$recno\n"; }
)");
    Outcome perl = support::run({"perl", (dir / "keys.pl").string(), (dir / "IDX.MDX").string()});
    ASSERT_EQ(perl.status, 0) << perl.err;
    std::string want;
    for (RowId r : expected)
        want += std::to_string(r) + "\n";
    EXPECT_EQ(perl.out, want);
}

TEST(DbfIndex, ForeignDamagedAndMissingIndexesAreReportedAndRebuilt) {
    TempDir dir;
    std::mt19937 random(5);
    for (const char* name : {"A.DBF", "B.DBF"}) {
        auto t = createTable(dir / name, layout());
        for (int i = 0; i < 50; ++i)
            t->append(makeRow(random));
    }
    addTags(*openTable(dir / "A.DBF"));

    // B declares an index, and the MDX beside it is A's.
    std::filesystem::copy_file(dir / "A.MDX", dir / "B.MDX");
    std::string b = readBytes(dir / "B.DBF");
    b[28] = 1;
    writeBytes(dir / "B.DBF", b);
    {
        auto t = openTable(dir / "B.DBF");
        EXPECT_EQ(t->read(1).size(), 4u);
        try {
            t->openIndex("BYCODE");
            FAIL();
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::IndexCorrupt);
            EXPECT_NE(std::string(e.what()).find("B.MDX"), std::string::npos) << e.what();
        }
        EXPECT_EQ(support::errorCode([&] { t->append(makeRow(random)); }), code::IndexCorrupt);
        EXPECT_EQ(readBytes(dir / "B.DBF"), b);
        EXPECT_EQ(t->check().size(), 1u);
        t->reindex(); // from the tags the file declares
        EXPECT_EQ(t->check(), std::vector<std::string>{});
        EXPECT_EQ(order(*t, "BYCODE").size(), 50u);
        EXPECT_EQ(t->indexes().size(), 3u);
    }

    // A damaged tree: the table opens, check reports it, reindex repairs it.
    std::string mdx = readBytes(dir / "A.MDX");
    writeBytes(dir / "A.MDX", mdx.substr(0, mdx.size() - 1024));
    {
        auto t = openTable(dir / "A.DBF");
        EXPECT_FALSE(t->check().empty());
        t->reindex();
        EXPECT_EQ(t->check(), std::vector<std::string>{});
        EXPECT_EQ(t->indexes().size(), 3u);
    }

    // Renamed, the table keeps its index; deleted, the index goes with it.
    renameTable(dir / "A.DBF", dir / "C.DBF");
    {
        auto t = openTable(dir / "C.DBF");
        EXPECT_EQ(t->check(), std::vector<std::string>{});
        t->append(makeRow(random));
        EXPECT_EQ(order(*t, "BYCODE").size(), 51u);
    }
    std::filesystem::remove(dir / "C.MDX");
    {
        auto t = openTable(dir / "C.DBF");
        EXPECT_EQ(support::errorCode([&] { t->reindex(); }), code::FileNotFound);
        t->addIndex({.name = "AGAIN", .expression = "CODE"}); // a new MDX
        EXPECT_EQ(t->check(), std::vector<std::string>{});
        EXPECT_EQ(t->indexes().size(), 1u);
    }
    deleteTable(dir / "C.DBF");
    EXPECT_FALSE(std::filesystem::exists(dir / "C.MDX"));
}

// A date key whose stored day lies outside 0001-01-01..9999-12-31 is shown
// as the number it holds, under the tag's name, never as a made-up date.
TEST(DbfIndex, CheckShowsADamagedDateKeyAsTheDayItHolds) {
    support::TempDir dir;
    {
        auto t = createTable(dir / "T.DBF", {{"DAY", FieldType::Date, 8, 0}});
        for (int day = 1; day <= 5; ++day)
            t->append({Value(Date::fromYmd(2001, 1, day))});
        t->addIndex({.name = "BYDAY", .expression = "DAY"});
    }
    // Keys are little-endian doubles of the Julian day; each appears once in the one leaf.
    auto keyBytes = [](double julianDay) {
        std::uint64_t bits;
        std::memcpy(&bits, &julianDay, sizeof bits);
        std::string key(8, '\0');
        for (int i = 0; i < 8; ++i)
            key[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
        return key;
    };
    const std::string sound = readBytes(dir / "T.MDX");
    auto checkWith = [&](int day, double stored) {
        std::string mdx = sound;
        auto jd = static_cast<double>(Date::fromYmd(2001, 1, day).julianDay());
        std::size_t at = mdx.find(keyBytes(jd));
        EXPECT_NE(at, std::string::npos);
        EXPECT_EQ(mdx.find(keyBytes(jd), at + 1), std::string::npos);
        mdx.replace(at, 8, keyBytes(stored));
        writeBytes(dir / "T.MDX", mdx);
        return openTable(dir / "T.DBF")->check();
    };
    const std::string tag = "Index " + (dir / "T.MDX").string() + ", tag BYDAY: ";
    // The days either side of the range (0000-12-31 and 10000-01-01), on the
    // first and last key so that the order stays right.
    EXPECT_EQ(checkWith(1, 1721425.0),
              std::vector<std::string>{
                  tag + "record 1 is filed under no date (day 1721425), its key is 2001-01-01"});
    EXPECT_EQ(checkWith(5, 5373485.0),
              std::vector<std::string>{
                  tag + "record 5 is filed under no date (day 5373485), its key is 2001-01-05"});
    EXPECT_EQ(checkWith(1, -359322237.5),
              std::vector<std::string>{tag + "record 1 is filed under no date (day -359322237.5), "
                                             "its key is 2001-01-01"});
    // The first and last days of the range are dates.
    EXPECT_EQ(checkWith(1, 1721426.0),
              std::vector<std::string>{
                  tag + "record 1 is filed under 0001-01-01, its key is 2001-01-01"});
    EXPECT_EQ(checkWith(5, 5373484.0),
              std::vector<std::string>{
                  tag + "record 5 is filed under 9999-12-31, its key is 2001-01-05"});
}
