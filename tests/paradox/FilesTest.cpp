#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "support/Process.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <set>

using namespace engine;

namespace {

std::set<std::string> filesIn(const std::filesystem::path& dir) {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

} // namespace

TEST(ParadoxFiles, RenameAndDeleteTakeEveryCompanion) {
    support::TempDir dir("paradox-test");
    {
        auto t = createTable(dir / "OLD.DB", {{"ID", FieldType::Short, 0, 0},
                                              {"NAME", FieldType::Character, 10, 0},
                                              {"PIC", FieldType::Ole, 0, 0}});
        t->addIndex({"", "ID", "", false, false, true, false});
        t->addIndex({"NAME", "NAME", "", false, false, false, false});
        t->addIndex({"Upper", "NAME", "", false, false, false, true});
        t->append({1, "one", Value(Blob{std::string(5000, 'p')})});
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"OLD.DB", "OLD.PX", "OLD.MB", "OLD.X02",
                                                          "OLD.Y02", "OLD.XG0", "OLD.YG0"}));
    renameTable(dir / "old.db", dir / "NEW.DB");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"NEW.DB", "NEW.PX", "NEW.MB", "NEW.X02",
                                                          "NEW.Y02", "NEW.XG0", "NEW.YG0"}));
    {
        auto t = openTable(dir / "NEW.DB");
        EXPECT_EQ(t->indexes().size(), 3u);
        auto c = t->openIndex("Upper");
        ASSERT_TRUE(c->first());
        EXPECT_EQ(t->read(c->row())[2], Value(Blob{std::string(5000, 'p')}));
        EXPECT_TRUE(t->check().empty());
    }
    createTable(dir / "OTHER.DB", {{"A", FieldType::Character, 1, 0}});
    try {
        renameTable(dir / "NEW.DB", dir / "OTHER.DB");
        ADD_FAILURE() << "renamed over an existing table";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::FileExists);
    }
    deleteTable(dir / "NEW.DB");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"OTHER.DB"}));
}

TEST(ParadoxFiles, HandlesShareWritesAndHonourLocks) {
    support::TempDir dir("paradox-test");
    auto path = dir / "S.DB";
    auto a = createTable(path, {{"ID", FieldType::Long, 0, 0}});
    a->addIndex({"", "ID", "", false, false, true, false});
    auto b = openTable(path, {false, true});
    std::uint64_t seen = b->changeCount();
    a->append({5});
    EXPECT_EQ(b->rowCount(), 1u);
    EXPECT_NE(b->changeCount(), seen);
    EXPECT_FALSE(b->stableRowIds());
    auto c = b->openIndex("");
    ASSERT_TRUE(c->seek(b->indexKey("", {5})));
    EXPECT_EQ(b->read(c->row())[0].integer(), 5);
    try {
        b->append({6});
        ADD_FAILURE() << "read-only handle wrote";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::ReadOnly);
    }
    b->refresh();
    EXPECT_EQ(b->rowCount(), 1u);
    // An exclusive open waits for no one: it is refused while others hold the table.
    try {
        openTable(path, {true, false});
        ADD_FAILURE() << "exclusive open granted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::Locked);
    }
    a.reset();
    b.reset();
    auto x = openTable(path, {true, false});
    EXPECT_THROW(openTable(path), EngineError);
    EXPECT_THROW(deleteTable(path), EngineError);
}

TEST(ParadoxFiles, WritesOfAnotherProgramAreTakenIn) {
    support::TempDir dir("paradox-test");
    auto path = dir / "P.DB";
    auto t =
        createTable(path, {{"ID", FieldType::Long, 0, 0}, {"NAME", FieldType::Character, 8, 0}});
    t->addIndex({"", "ID", "", false, false, true, false});
    t->addIndex({"ByName", "NAME", "", false, false, false, true});
    t->append({1, "one"});
    // Another program: a child process with its own view of the files.
    auto otherProgram = [&](int from, int to) {
        return support::inChildProcess([&] {
            auto other = openTable(path);
            for (int i = from; i <= to; ++i)
                other->append({i, "other"});
            return 0;
        });
    };
    ASSERT_EQ(otherProgram(2, 50), 0);
    std::uint64_t before = t->changeCount();
    t->refresh();
    EXPECT_NE(t->changeCount(), before);
    EXPECT_EQ(t->rowCount(), 50u);
    // A write after the other program's is laid over the new state of the files.
    t->append({51, "mine"});
    EXPECT_EQ(t->rowCount(), 51u);
    ASSERT_EQ(otherProgram(52, 80), 0);
    t->append({81, "mine"}); // no refresh first
    EXPECT_EQ(t->rowCount(), 81u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}

TEST(ParadoxFiles, AnotherProgramWaitsForABatch) {
    support::TempDir dir("paradox-test");
    auto path = dir / "W.DB";
    auto t =
        createTable(path, {{"ID", FieldType::Long, 0, 0}, {"NAME", FieldType::Character, 8, 0}});
    t->addIndex({"", "ID", "", false, false, true, false});
    support::Child other({TABLE_WRITER, path.string()});
    ASSERT_EQ(other.readLine(), "ok");
    t->beginAppendBatch();
    t->append({1, "batch"});
    // Refused after waiting: a batch is being written.
    EXPECT_EQ(other.ask("append 90|other").rfind("error " + std::to_string(code::Locked) + " ", 0),
              0u);
    t->endAppendBatch();
    EXPECT_EQ(other.ask("append 90|other").substr(0, 2), "ok");
    t->refresh();
    EXPECT_EQ(t->rowCount(), 2u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}

// Two programs and two handles of this one write a keyed table with a
// secondary index in turns: every row arrives once, in key order, the
// changes hold, and the table checks sound.
TEST(ParadoxFiles, TwoProgramsAndTwoHandlesInterleave) {
    support::TempDir dir("paradox-test");
    auto path = dir / "TWO.DB";
    auto mine =
        createTable(path, {{"ID", FieldType::Long, 0, 0}, {"NAME", FieldType::Character, 8, 0}});
    mine->addIndex({"", "ID", "", false, false, true, false});
    mine->addIndex({"NAME", "NAME", "", false, false, false, false});
    auto second = openTable(path);
    support::Child other({TABLE_WRITER, path.string()});
    ASSERT_EQ(other.readLine(), "ok");
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(other
                          .ask("append " + std::to_string(1000 + round * 40 + i) + "|o" +
                               std::to_string(i))
                          .rfind("ok", 0),
                      0u);
        mine->append({round, "mine"});
        second->append({100 + round, "second"});
        // Change one of the other program's rows through its key.
        auto cursor = mine->openIndex("");
        ASSERT_TRUE(cursor->seek(mine->indexKey("", {1000 + round * 40})));
        mine->update(cursor->row(), {1000 + round * 40, "changed"});
    }
    mine->refresh();
    EXPECT_EQ(mine->rowCount(), 5u * 42u);
    EXPECT_EQ(mine->check(), std::vector<std::string>{});
    EXPECT_EQ(other.ask("check"), "ok");
    std::set<std::int64_t> ids;
    std::int64_t last = -1;
    int changed = 0;
    auto cursor = mine->openIndex("");
    for (bool on = cursor->first(); on; on = cursor->next()) {
        Record row = mine->read(cursor->row());
        EXPECT_GT(row[0].integer(), last);
        last = row[0].integer();
        ids.insert(last);
        changed += row[1].text() == "changed";
    }
    EXPECT_EQ(ids.size(), 5u * 42u);
    EXPECT_EQ(changed, 5);
}
