#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/drivers/Tables.h"
#include "engine/paradox/ParadoxDriver.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

using namespace engine;

namespace {

// Runs px_read.py (written from the format facts, sharing no code with the
// engine) on a table and returns its JSON.
std::string independentRead(const std::filesystem::path& table) {
    support::RunOptions options;
    options.errorsToOutput = true;
    return support::run(
               {"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/paradox/px_read.py", table.string()},
               options)
        .out;
}

} // namespace

TEST(ParadoxIndependentReader, ReadsOurRowsBlobsAndIndex) {
    support::TempDir dir("paradox-test");
    auto path = dir / "IND.DB";
    {
        auto t = createTable(path, {{"CODE", FieldType::Character, 12, 0},
                                    {"AMOUNT", FieldType::Double, 0, 0},
                                    {"DAY", FieldType::Date, 0, 0},
                                    {"OK", FieldType::Logical, 0, 0},
                                    {"N", FieldType::Short, 0, 0},
                                    {"MEMO", FieldType::Memo, 4, 0}});
        t->addIndex({"", "CODE", "", false, false, true, false});
        for (int i = 0; i < 400; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "K%04d", (i * 37) % 400);
            t->append({code, i % 3 ? Value(i * -1.25) : Value(),
                       Date::fromYmd(1990 + i % 30, 1 + i % 12, 1 + i % 28), i % 2 == 0, i - 200,
                       std::string(static_cast<std::size_t>(i % 5) * 700, 'a' + i % 26)});
        }
    }
    std::string json = independentRead(path);
    ASSERT_EQ(json.rfind("{\"file_type\": 0, \"key_fields\": 1, \"rows\": [", 0), 0u)
        << json.substr(0, 2000);
    // Spot checks of rows in key order: K0000 came from i = 0, K0037 from i = 1.
    EXPECT_NE(json.find("[\"K0000\", null, \"1990-01-01\", true, -200, null]"), std::string::npos);
    EXPECT_NE(json.find("[\"K0037\", -1.25, \"1991-02-02\", false, -199, \"" +
                        std::string(700, 'b') + "\"]"),
              std::string::npos);
    EXPECT_NE(json.find("\"px_covered\": 400"), std::string::npos)
        << json.substr(json.size() - 200);
}

// Other readers read keyed tables whose .PX has one, two and three levels,
// before and after single inserts split blocks in the middle: pxlib (which
// reads the index as a table of entries along its block chain, and knows at
// most two levels) and px_read.py (which walks the tree from its root).
TEST(ParadoxIndependentReader, PrimaryIndexesOfOneTwoAndThreeLevelsReadElsewhere) {
    support::TempDir dir("paradox-test");
    FieldList fields = {{"KEY", FieldType::Character, 200, 0}, {"N", FieldType::Long, 0, 0}};
    for (auto [rows, levels, name] :
         {std::tuple{12, 1, "ONE"}, {50, 2, "TWO"}, {200, 3, "THREE"}}) {
        auto path = dir / (std::string(name) + ".DB");
        auto t = paradox::createTableWithBlocks(path, fields, 1);
        t->addIndex({"", "KEY", "", false, false, true, false});
        t->beginAppendBatch();
        for (int i = 0; i < rows; ++i)
            t->append({"K" + std::to_string(100000 + (i * 7919) % rows), i});
        t->endAppendBatch();
        auto pxlib = [&] {
            support::RunOptions options;
            options.errorsToOutput = true;
            std::string out = support::run({PX_INDEX_READER, path.string(),
                                            (dir / (std::string(name) + ".PX")).string()},
                                           options)
                                  .out;
            return out.substr(0, out.find('\n') + 1); // its first line
        };
        auto python = [&](int expectedRows, bool firstLoad) {
            std::string json = independentRead(path);
            if (firstLoad) {
                EXPECT_NE(json.find("\"px_levels\": " + std::to_string(levels)), std::string::npos)
                    << name << ": " << json.substr(0, 300);
            }
            EXPECT_NE(json.find("\"px_covered\": " + std::to_string(expectedRows)),
                      std::string::npos)
                << name << ": " << json.substr(json.size() > 300 ? json.size() - 300 : 0);
        };
        python(rows, true);
        if (levels <= 2 && support::havePxlib(PX_INDEX_READER)) {
            std::string read = pxlib();
            EXPECT_EQ(read.rfind("ok ", 0), 0u) << name << ": " << read;
        }
        // Inserts in the middle split blocks (the smallest tree grows a level).
        for (int i = 0; i < 6; ++i)
            t->append({"K" + std::to_string(100000 + i * 2) + "x", -i});
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << name;
        python(rows + 6, false);
        if (levels <= 2 && support::havePxlib(PX_INDEX_READER)) {
            std::string read = pxlib();
            EXPECT_EQ(read, "ok " + std::to_string(read.empty() ? 0 : std::stoi(read.substr(3))) +
                                " " + std::to_string(rows + 6) + "\n")
                << name;
        }
    }
    // What pxlib relies on, our checker checks: the entry count along the chain.
    {
        std::fstream px(dir / "TWO.PX", std::ios::in | std::ios::out | std::ios::binary);
        px.seekp(6);
        px.put('\x01');
    }
    std::vector<std::string> faults = openTable(dir / "TWO.DB")->check();
    ASSERT_FALSE(faults.empty());
    EXPECT_NE(faults[0].find("entries"), std::string::npos) << faults[0];
}
