// A writer killed (SIGKILL) at many points of a 300,000-row import into a
// table with two tags, and of a reindex: the next writer is told, a
// reindex makes the table sound, and the rows that made it are all filed
// under their keys.
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

void expectRefusedUntilReindexed(const fs::path& table, std::uint64_t killedAt) {
    auto t = openTable(table);
    try {
        t->append({Value("AFTER"), Value(1.0)});
        ADD_FAILURE() << "killed at write " << killedAt << ": the next writer was not told";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::IndexOutOfDate) << e.what();
    }
    t->reindex();
    t->append({Value("AFTER"), Value(1.0)});
    EXPECT_EQ(t->check(), std::vector<std::string>{}) << "killed at write " << killedAt;
    // Every row is found through its key.
    auto cursor = t->openIndex("CODE");
    std::uint64_t seen = 0;
    for (bool on = cursor->first(); on; on = cursor->next()) {
        ASSERT_EQ(cursor->key().substr(0, 5), t->read(cursor->row())[0].text().substr(0, 5));
        ++seen;
    }
    EXPECT_EQ(seen, t->rowCount());
}

} // namespace

TEST(KilledWriter, ImportAndReindexKilledAtManyPointsAreDetectedAndRepaired) {
    support::TempDir dir("schedax-killed");
    fs::path table = dir / "BIG.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 10, 0}, {"N", FieldType::Numeric, 5, 0}});
        t->addIndex({"CODE", "CODE", "", false, false});
        t->addIndex({"N", "STR(N,5)+CODE", "", false, true});
    }
    // Points across the import: early, at the first flushes of rows, deep in it.
    std::uint64_t first = 1;
    for (std::uint64_t killAt : {3u, 40u, 2000u, 30000u, 120000u}) {
        {
            support::Child other({TABLE_WRITER, table.string()});
            ASSERT_EQ(other.readLine(), "ok");
            ASSERT_EQ(other.ask("killat " + std::to_string(killAt)), "ok");
            other.writeLine("bulk 300000 " + std::to_string(first));
            ASSERT_EQ(other.wait().signal, SIGKILL) << "the import ended before write " << killAt;
        }
        expectRefusedUntilReindexed(table, killAt);
        first += 300000;
    }
    // A reindex killed half way leaves the old index and the mark.
    for (std::uint64_t killAt : {2u, 5u}) {
        {
            support::Child other({TABLE_WRITER, table.string()});
            ASSERT_EQ(other.readLine(), "ok"); // the table is open
            ASSERT_EQ(other.ask("killat " + std::to_string(killAt)), "ok");
            other.writeLine("reindex");
            ASSERT_EQ(other.wait().signal, SIGKILL);
        }
        expectRefusedUntilReindexed(table, killAt);
    }
}
