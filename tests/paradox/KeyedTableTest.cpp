#include "support/EngineErrors.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/drivers/Tables.h"
#include "engine/paradox/ParadoxDriver.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <random>
#include <sstream>

using namespace engine;

namespace {

std::vector<std::string> column(TableFile& t, const std::string& index, std::size_t field) {
    std::vector<std::string> out;
    auto c = t.openIndex(index);
    for (bool on = c->first(); on; on = c->next())
        out.push_back(t.read(c->row())[field].text());
    return out;
}

int levelsOf(const std::filesystem::path& px) {
    return static_cast<unsigned char>(support::readBytes(px)[0x20]);
}

} // namespace

TEST(ParadoxKeyed, PrimaryKeySortsRowsAndRefusesDuplicates) {
    support::TempDir dir("paradox-test");
    auto path = dir / "CUST.DB";
    auto t = createTable(path, {{"CODE", FieldType::Character, 10, 0},
                                {"NAME", FieldType::Character, 40, 0},
                                {"AMOUNT", FieldType::Double, 0, 0}});
    for (const char* code : {"M", "B", "Z", "A", "K"})
        t->append({code, std::string("name ") + code, 1.5});
    // A key must be the leading fields, in order.
    EXPECT_EQ(support::errorCode([&] {
                  t->addIndex({"", "NAME", "", false, false, true, false});
              }),
              code::InvalidParameter);
    EXPECT_EQ(support::errorCode([&] {
                  t->addIndex({"X", "NAME", "", false, false, false, true});
              }),
              code::InvalidParameter); // a secondary index needs a primary key
    t->addIndex({"", "CODE", "", false, false, true, false});
    EXPECT_EQ(column(*t, "", 0), (std::vector<std::string>{"A", "B", "K", "M", "Z"}));
    ASSERT_EQ(t->indexes().size(), 1u);
    EXPECT_TRUE(t->indexes()[0].def.primary);
    EXPECT_EQ(t->indexes()[0].def.expression, "CODE");
    EXPECT_TRUE(t->check().empty());

    // A duplicate key is refused and nothing reaches the files.
    std::string db = support::readBytes(path), px = support::readBytes(dir / "CUST.PX");
    try {
        t->append({"K", "again", 2.0});
        FAIL() << "duplicate accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::KeyViolation);
        EXPECT_NE(std::string(e.what()).find("CUST.DB"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("CODE = 'K'"), std::string::npos) << e.what();
    }
    EXPECT_EQ(support::readBytes(path), db);
    EXPECT_EQ(support::readBytes(dir / "CUST.PX"), px);
    EXPECT_EQ(t->rowCount(), 5u);

    // Seeking by key; changing a key moves the row.
    auto c = t->openIndex("");
    ASSERT_TRUE(c->seek(t->indexKey("", {"L"})));
    EXPECT_EQ(t->read(c->row())[0].text(), "M");
    ASSERT_TRUE(c->seek(t->indexKey("", {"B"})));
    RowId moved = t->update(c->row(), {"Y", "was B", 3.0});
    EXPECT_EQ(t->read(moved)[1].text(), "was B");
    EXPECT_EQ(column(*t, "", 0), (std::vector<std::string>{"A", "K", "M", "Y", "Z"}));
    EXPECT_FALSE(c->seek(t->indexKey("", {"ZZ"})));
    ASSERT_TRUE(c->seek(t->indexKey("", {"M"})));
    EXPECT_EQ(support::errorCode([&] {
                  t->update(c->row(), {"Z", "clash", 0.0});
              }),
              code::KeyViolation);
    EXPECT_TRUE(t->check().empty());
}

TEST(ParadoxKeyed, KeyingATableWithDuplicatesFailsAndKeepsIt) {
    support::TempDir dir("paradox-test");
    auto t = createTable(dir / "D.DB",
                         {{"K", FieldType::Long, 0, 0}, {"V", FieldType::Character, 5, 0}});
    for (int k : {3, 1, 3})
        t->append({k, "v"});
    try {
        t->addIndex({"", "K", "", false, false, true, false});
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::KeyViolation);
        EXPECT_NE(std::string(e.what()).find("K = 3"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(t->indexes().empty());
    EXPECT_EQ(t->rowCount(), 3u);
    EXPECT_FALSE(std::filesystem::exists(dir / "D.PX"));
    EXPECT_TRUE(t->check().empty());
}

TEST(ParadoxKeyed, IndexGrowsToThreeAndFourLevels) {
    support::TempDir dir("paradox-test");
    // 1 KiB blocks and a 200-byte key: four records per data block, four
    // entries per index block, so levels come cheaply.
    FieldList fields = {{"KEY", FieldType::Character, 200, 0}, {"N", FieldType::Long, 0, 0}};
    auto keyOf = [](int i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "K%06d", i);
        return std::string(buf);
    };
    struct Case {
        const char* name;
        int rows;
        int levels;
    };
    for (Case c : {Case{"L3.DB", 200, 3}, Case{"L4.DB", 300, 4}}) {
        auto t = paradox::createTableWithBlocks(dir / c.name, fields, 1);
        t->addIndex({"", "KEY", "", false, false, true, false});
        t->beginAppendBatch();
        for (int i = 0; i < c.rows; ++i)
            t->append({keyOf((i * 7919) % c.rows), i});
        t->endAppendBatch();
        auto px = dir / (std::string(c.name, 2) + ".PX");
        EXPECT_EQ(levelsOf(px), c.levels) << c.name;
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << c.name;
        // Single inserts split blocks in the middle of the chain.
        for (int i = 0; i < 40; ++i)
            t->append({keyOf(i * 5) + "x", -i});
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << c.name;
        auto cursor = t->openIndex("");
        std::vector<std::string> keys;
        for (bool on = cursor->first(); on; on = cursor->next())
            keys.push_back(t->read(cursor->row())[0].text());
        EXPECT_EQ(keys.size(), static_cast<std::size_t>(c.rows + 40));
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
        // Removals and in-place changes spread over the tree, checked as they go.
        for (int i = 0; i < 120; ++i) {
            ASSERT_TRUE(cursor->seek(t->indexKey("", {keyOf((i * 131) % c.rows)})));
            RowId row = cursor->row();
            if (i % 3)
                t->remove(row);
            else
                t->update(row, {t->read(row)[0], i});
            if (i % 20 == 19) {
                ASSERT_EQ(t->check(), std::vector<std::string>{}) << c.name << " after " << i;
            }
        }
    }
}

TEST(ParadoxKeyed, BatchLoadsSortAndRefuseDuplicates) {
    support::TempDir dir("paradox-test");
    auto t = createTable(dir / "B.DB",
                         {{"ID", FieldType::Long, 0, 0}, {"NAME", FieldType::Character, 20, 0}});
    t->addIndex({"", "ID", "", false, false, true, false});
    t->addIndex({"ByName", "NAME", "", false, false, false, true});
    EXPECT_EQ(support::errorCode([&] {
                  t->addIndex({"ByName", "NAME", "", false, false, false, false});
              }),
              code::IndexExists);
    std::mt19937 rng(7);
    std::vector<int> ids(3000);
    std::iota(ids.begin(), ids.end(), 1);
    std::shuffle(ids.begin(), ids.end(), rng);
    // A key already in the batch is refused at once, and the whole batch with it.
    t->beginAppendBatch();
    for (int id : ids)
        t->append({id, (id % 2 ? "name" : "NAME") + std::to_string(id % 100)});
    EXPECT_EQ(support::errorCode([&] { t->append({ids[5], "dup"}); }), code::KeyViolation);
    t->endAppendBatch();
    EXPECT_EQ(t->rowCount(), 0u);
    t->beginAppendBatch();
    for (int id : ids)
        t->append({id, (id % 2 ? "name" : "NAME") + std::to_string(id % 100)});
    t->endAppendBatch();
    EXPECT_EQ(t->rowCount(), 3000u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    // A second batch into the filled table with a key already stored leaves it as it was.
    t->beginAppendBatch();
    for (int id = 3001; id <= 3100; ++id)
        t->append({id, "late"});
    EXPECT_EQ(support::errorCode([&] { t->append({17, "dup"}); }), code::KeyViolation);
    t->endAppendBatch();
    EXPECT_EQ(t->rowCount(), 3000u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    t->beginAppendBatch();
    for (int id = 3001; id <= 3100; ++id)
        t->append({id, "late"});
    t->endAppendBatch();
    EXPECT_EQ(t->rowCount(), 3100u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    auto c = t->openIndex("");
    std::int64_t expected = 1;
    for (bool on = c->first(); on; on = c->next(), ++expected)
        ASSERT_EQ(t->read(c->row())[0].integer(), expected);
    std::vector<std::string> names = column(*t, "BYNAME", 1);
    EXPECT_TRUE(
        std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return toUpperAscii(a) < toUpperAscii(b);
        }));
    // A longer primary key: the secondary index is built again around it.
    t->addIndex({"", "ID;NAME", "", false, false, true, false});
    EXPECT_EQ(t->indexes()[0].def.expression, "ID;NAME");
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    EXPECT_EQ(column(*t, "ByName", 1), names);
}
