#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace engine;

namespace {

void patch(const std::filesystem::path& p, std::size_t offset,
           std::initializer_list<unsigned char> bytes) {
    std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    for (unsigned char b : bytes)
        f.put(static_cast<char>(b));
}

// A keyed table of 300 rows with a memo and a case-insensitive index.
void makeTable(const std::filesystem::path& path) {
    auto t = createTable(path, {{"ID", FieldType::Long, 0, 0},
                                {"NAME", FieldType::Character, 40, 0},
                                {"NOTE", FieldType::Memo, 5, 0}});
    t->addIndex({"", "ID", "", false, false, true, false});
    t->addIndex({"ByName", "NAME", "", false, false, false, true});
    for (int i = 0; i < 300; ++i)
        t->append({i, "name " + std::to_string(i), std::string(100, 'x')});
}

// The error of opening (and reading every row of) a damaged table.
std::string openError(const std::filesystem::path& path, std::uint16_t expected) {
    try {
        auto t = openTable(path);
        auto c = t->openIndex("");
        for (bool on = c->first(); on; on = c->next())
            t->read(c->row());
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), expected) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no error for " << path;
    return {};
}

bool mentions(const std::vector<std::string>& lines, const std::string& what) {
    for (const auto& l : lines)
        if (l.find(what) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(ParadoxDamage, BrokenTableFilesGiveClearErrors) {
    support::TempDir dir("paradox-test");
    auto path = dir / "T.DB";
    makeTable(path);
    std::filesystem::copy_file(path, dir / "keep");

    std::filesystem::resize_file(path, 40);
    EXPECT_NE(openError(path, code::FileCorrupt).find("T.DB: the header is cut short"),
              std::string::npos);

    std::filesystem::copy_file(dir / "keep", path,
                               std::filesystem::copy_options::overwrite_existing);
    patch(path, 0x800, {0xE7, 0x03}); // block 1 says its next block is 999
    EXPECT_NE(openError(path, code::FileCorrupt).find("block 999"), std::string::npos);

    std::filesystem::copy_file(dir / "keep", path,
                               std::filesystem::copy_options::overwrite_existing);
    patch(path, 0x06, {0x01, 0x00, 0x00, 0x00}); // one record counted
    EXPECT_NE(openError(path, code::FileCorrupt).find("counts 1 records"), std::string::npos);

    std::filesystem::copy_file(dir / "keep", path,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);
    EXPECT_NE(openError(path, code::FileCorrupt).find("ends inside"), std::string::npos);

    std::filesystem::copy_file(dir / "keep", path,
                               std::filesystem::copy_options::overwrite_existing);
    patch(path, 0x05, {0x09}); // 9 KiB blocks: the chain no longer lines up
    openError(path, code::FileCorrupt);
}

TEST(ParadoxDamage, CheckReportsBrokenIndexesAndBlobs) {
    support::TempDir dir("paradox-test");
    auto path = dir / "T.DB";
    makeTable(path);
    auto t = openTable(path);
    ASSERT_EQ(t->check(), std::vector<std::string>{});

    // The primary index's root past the end of the file.
    patch(dir / "T.PX", 0x1E, {0xF4, 0x01});
    auto faults = t->check();
    EXPECT_TRUE(mentions(faults, "root block 500 lies past the end"))
        << ::testing::PrintToString(faults);
    // A level-1 entry pointing past the end: the first entry's block number.
    t->reindex();
    ASSERT_EQ(t->check(), std::vector<std::string>{});
    std::size_t entry = 0x800 + 6 + 4; // first block, first entry, after the 4-byte key
    patch(dir / "T.PX", entry, {0x8F, 0xFF});
    EXPECT_TRUE(mentions(t->check(), "points to data block 4095 past the end"))
        << ::testing::PrintToString(t->check());

    // A secondary index whose chain is broken: cursors refuse it, check says so, reindex repairs
    // it.
    t->reindex();
    ASSERT_EQ(t->check(), std::vector<std::string>{});
    patch(dir / "T.XG0", 0x800, {0x77, 0x77});
    t.reset();
    t = openTable(path);
    try {
        t->openIndex("ByName");
        ADD_FAILURE() << "damaged index opened";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::IndexCorrupt);
        EXPECT_NE(std::string(e.what()).find("T.XG0"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(mentions(t->check(), "T.XG0"));
    t->reindex();
    EXPECT_EQ(t->check(), std::vector<std::string>{});

    // A memo pointing past the end of the blob file.
    t.reset();
    std::filesystem::resize_file(dir / "T.MB", 4096 * 2);
    t = openTable(path);
    EXPECT_TRUE(mentions(t->check(), "outside the blob file"));
    auto c = t->openIndex("");
    c->last();
    EXPECT_THROW(t->read(c->row()), EngineError);
}
