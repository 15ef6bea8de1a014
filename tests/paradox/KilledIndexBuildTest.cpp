// A reindex of a Paradox table killed (SIGKILL) at each of its writes in
// turn: the index files under their own names are each the old file or the
// complete new one, never half written; files left under temporary names
// are ignored, and the next build removes them.
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FaultSeam.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

bool isIndexFile(const fs::path& file) {
    std::string ext = file.extension().string();
    return file.filename().string()[0] != '.' && ext != ".DB" && ext != ".MB";
}

Files indexFiles(const fs::path& dir) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!isIndexFile(entry.path()))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

bool hasLeftovers(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string()[0] == '.')
            return true;
    return false;
}

void copyDir(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to);
}

} // namespace

TEST(KilledIndexBuild, EachIndexFileIsTheOldOrTheNewOneAndLeftoversAreIgnored) {
    support::TempDir dir("paradox-test");
    const fs::path work = dir / "work", kept = dir / "kept", rebuilt = dir / "rebuilt";
    fs::create_directories(work);
    fs::path table = work / "P.DB";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 10, 0}, {"N", FieldType::Double, 0, 0}});
        t->addIndex({"", "CODE", "", false, false, true, false});
        t->addIndex({"N", "N", "", false, false, false, false});
        t->addIndex({"CodeN", "CODE;N", "", false, false, false, true});
        // Single inserts split blocks half and half, so a rebuild packs the
        // secondary indexes anew and their files differ from the old ones.
        for (int i = 0; i < 400; ++i)
            t->append({Value("K" + std::to_string(i * 7919 % 400)), Value(i % 97 * 1.0)});
    }
    copyDir(work, kept);
    const Files before = indexFiles(work);
    ASSERT_EQ(before.size(), 5u); // .PX, .X02/.Y02, .XG0/.YG0
    std::uint64_t writes = 0;
    {
        auto t = openTable(table);
        std::uint64_t start = faults::writesSoFar();
        t->reindex();
        writes = faults::writesSoFar() - start;
    }
    copyDir(work, rebuilt);
    const Files after = indexFiles(work);
    int changed = 0;
    for (const auto& [name, bytes] : before)
        changed += after.at(name) != bytes;
    ASSERT_EQ(changed, 4); // all but the .PX, laid out whole either way

    // Write 1 sets the table's modified mark: killed there, nothing is written.
    for (std::uint64_t killAt = 2; killAt <= writes; ++killAt) {
        copyDir(kept, work);
        {
            support::Child other({TABLE_WRITER, table.string()});
            ASSERT_EQ(other.readLine(), "ok");
            ASSERT_EQ(other.ask("killat " + std::to_string(killAt)), "ok");
            other.writeLine("reindex");
            ASSERT_EQ(other.wait().signal, SIGKILL) << "write " << killAt;
        }
        Files now = indexFiles(work);
        ASSERT_EQ(now.size(), before.size()) << "killed at write " << killAt;
        for (const auto& [name, bytes] : now)
            EXPECT_TRUE(bytes == before.at(name) || bytes == after.at(name))
                << name << " is half written after a kill at write " << killAt << " of " << writes;
        auto t = openTable(table);
        EXPECT_EQ(t->indexes().size(), 3u) << "killed at write " << killAt;
        try {
            t->append({Value("AFTER"), Value(1.0)});
            ADD_FAILURE() << "killed at write " << killAt << ": the next writer was not told";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::IndexOutOfDate) << e.what();
        }
        t->reindex();
        EXPECT_FALSE(hasLeftovers(work)) << "killed at write " << killAt;
        EXPECT_TRUE(indexFiles(work) == after) << "killed at write " << killAt;
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << "killed at write " << killAt;
    }
}

// Files a killed build of another index left beside the table go at the
// next build, whichever index it builds.
TEST(KilledIndexBuild, TheNextBuildRemovesLeftoversOfAnyIndex) {
    support::TempDir dir("paradox-test");
    fs::path table = dir / "P.DB";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 10, 0}, {"N", FieldType::Double, 0, 0}});
        t->addIndex({"", "CODE", "", false, false, true, false});
        t->append({Value("A"), Value(1.0)});
    }
    for (const char* name : {".P.XG3.new", ".P.YG3.new", ".P.PX.new"})
        std::ofstream(dir / name) << "half";
    std::ofstream(dir / ".OTHER.X02.new") << "another table's";
    auto t = openTable(table);
    EXPECT_EQ(t->indexes().size(), 1u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    t->addIndex({"N", "N", "", false, false, false, false});
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().filename().string()[0] == '.')
            left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{".OTHER.X02.new"});
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}
