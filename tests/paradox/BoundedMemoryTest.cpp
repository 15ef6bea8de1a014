// Writes that hold more rows or keys than the working memory: a batch
// stores its rows in chunks as it goes, index builds sort in runs spilled to
// a scratch file. Small working memories here reach those paths on small
// tables; what they write must be what one pass in memory writes, and a
// failed batch must still leave every file as it was.
#include "support/EngineErrors.h"
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FaultSeam.h"
#include "engine/files/UndoJournal.h"
#include "engine/paradox/WorkingMemory.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace engine;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

Files snapshot(const fs::path& dir) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir))
        files[entry.path().filename().string()] = support::readBytes(entry.path());
    return files;
}

// Names the files that differ between two snapshots ("" when none).
std::string difference(const Files& a, const Files& b) {
    std::string out;
    for (const auto& [name, bytes] : a)
        if (!b.count(name) || b.at(name) != bytes)
            out += name + " ";
    for (const auto& [name, bytes] : b)
        if (!a.count(name))
            out += name + " ";
    return out;
}

// Small working memory (a batch stores every few dozen rows; a sort run
// holds a few dozen keys) and a journal that keeps little in memory.
class SmallMemory {
public:
    explicit SmallMemory(std::size_t bytes) {
        paradox::setWorkingMemory(bytes);
        UndoJournal::setMemoryLimit(512);
    }
    ~SmallMemory() {
        paradox::setWorkingMemory(0);
        UndoJournal::setMemoryLimit(0);
    }
};

const FieldList kFields = {{"ID", FieldType::Long, 0, 0},
                           {"NAME", FieldType::Character, 20, 0},
                           {"NOTE", FieldType::Memo, 4, 0}};
const IndexDef kKey{"", "ID", "", false, false, true, false};
const IndexDef kByName{"ByName", "NAME", "", false, false, false, true};
const IndexDef kName{"", "NAME", "", false, false, false, false};

Record row(int id) {
    return {id, (id % 2 ? "name " : "NAME ") + std::to_string(id % 97),
            id % 9 ? Value() : Value("memo of " + std::to_string(id))};
}

// Appends `count` rows from `first` in an order far from key order.
void batch(TableFile& t, int first, int count) {
    t.beginAppendBatch();
    for (int i = 0; i < count; ++i)
        t.append(row(first + (i * 37) % count));
    t.endAppendBatch();
}

// Files without a name that this process has open: scratch files.
std::size_t scratchFiles() {
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        std::string target = fs::read_symlink(entry.path(), ec).string();
        n += target.ends_with("(deleted)") ? 1 : 0;
    }
    return n;
}

std::string pxlibRead(const fs::path& db) {
    support::RunOptions options;
    options.errorsToOutput = true;
    fs::path px = db;
    px.replace_extension(".PX");
    std::string out = support::run({PX_INDEX_READER, db.string(), px.string()}, options).out;
    return out.substr(0, out.find('\n'));
}

} // namespace

TEST(ParadoxBoundedMemory, ABatchLargerThanTheWorkingMemoryRollsBackWhole) {
    SmallMemory small(2048);
    support::TempDir dir("paradox-memory");
    struct Case {
        const char* name;
        std::function<void(TableFile&)> prepare;
    };
    const Case cases[] = {
        {"UNKEYED", [](TableFile& t) { batch(t, 1, 50); }},
        {"EMPTY", [](TableFile& t) { t.addIndex(kKey), t.addIndex(kByName); }},
        {"FILLED",
         [](TableFile& t) {
             t.addIndex(kKey);
             t.addIndex(kByName);
             batch(t, 2000, 300);
         }},
    };
    for (const Case& c : cases) {
        fs::path table = dir / (std::string(c.name) + ".DB");
        createTable(table, kFields);
        c.prepare(*openTable(table));
        const Files before = snapshot(dir.path());
        const std::uint64_t had = openTable(table)->rowCount();
        // The rows leave memory before the batch ends: for the .DB, or (into
        // an empty keyed table) for the sorted runs of a scratch file.
        std::uint64_t writes = 0;
        {
            UndoJournal::setMemoryLimit(0); // the journal's own scratch file is not counted here
            auto t = openTable(table);
            std::uint64_t start = faults::writesSoFar();
            std::size_t files = scratchFiles();
            t->beginAppendBatch();
            for (int i = 0; i < 600; ++i)
                t->append(row(1 + (i * 37) % 600));
            if (c.name == std::string("EMPTY"))
                EXPECT_EQ(scratchFiles(), files + 1) << c.name << ": no scratch file";
            else
                EXPECT_GT(fs::file_size(table), before.at(table.filename().string()).size() + 8192)
                    << c.name << ": the batch held its rows to the end";
            t->endAppendBatch();
            writes = faults::writesSoFar() - start;
            EXPECT_EQ(t->rowCount(), had + 600) << c.name;
            EXPECT_EQ(t->check(), std::vector<std::string>{}) << c.name;
            UndoJournal::setMemoryLimit(512);
        }
        for (const auto& [name, bytes] : before)
            support::writeBytes(dir / name, bytes);
        ASSERT_EQ(difference(snapshot(dir.path()), before), "") << c.name;
        // A write that fails at any point, while rows come in or at the end.
        for (std::uint64_t n = 1; n <= writes; n += std::max<std::uint64_t>(1, writes / 15)) {
            {
                auto t = openTable(table);
                faults::failWrite(n, n % 2 ? faults::Fault::IoError : faults::Fault::DiskFull);
                std::uint16_t failed = support::errorCode([&] { batch(*t, 1, 600); });
                faults::failWrite(0);
                EXPECT_EQ(failed, code::IoError) << c.name << ", write " << n << " of " << writes;
            }
            ASSERT_EQ(difference(snapshot(dir.path()), before), "")
                << c.name << ": files changed after write " << n << " of " << writes << " failed";
        }
        // A key given twice late in the batch, after many chunks went to the file.
        if (c.name != std::string("UNKEYED")) {
            auto t = openTable(table);
            t->beginAppendBatch();
            for (int i = 0; i < 500; ++i)
                t->append(row(1 + (i * 37) % 500));
            EXPECT_EQ(support::errorCode([&] { t->append(row(123)); }), code::KeyViolation)
                << c.name;
            t->endAppendBatch();
        }
        EXPECT_EQ(difference(snapshot(dir.path()), before), "") << c.name;
    }
}

// The same rows keyed and indexed with runs spilled and all in memory: the
// same bytes in every file, which pxlib and our check read.
TEST(ParadoxBoundedMemory, KeyBuildsThatSpillRunsWriteTheSameFiles) {
    support::TempDir inMemory("paradox-memory"), spilled("paradox-memory");
    auto build = [](const fs::path& dir) {
        // An unkeyed table keyed afterwards, and an empty keyed table loaded out of order.
        {
            auto t = createTable(dir / "KEYED.DB", kFields);
            batch(*t, 1, 3000);
            t->addIndex(kKey);
            t->addIndex(kByName);
            t->addIndex(kName);
        }
        auto t = createTable(dir / "LOADED.DB", kFields);
        t->addIndex(kKey);
        t->addIndex(kByName);
        batch(*t, 1, 3000);
    };
    build(inMemory.path());
    {
        SmallMemory small(4096);
        build(spilled.path());
    }
    Files expected = snapshot(inMemory.path());
    EXPECT_EQ(difference(snapshot(spilled.path()), expected), "");
    EXPECT_EQ(expected.count("KEYED.X02"), 1u);
    EXPECT_EQ(expected.count("LOADED.XG0"), 1u);
    for (const char* name : {"KEYED.DB", "LOADED.DB"}) {
        if (support::havePxlib(PX_INDEX_READER)) {
            std::string read = pxlibRead(spilled / name); // "ok ENTRIES RECORDS"
            EXPECT_EQ(read.substr(0, 3), "ok ") << name << ": " << read;
            EXPECT_EQ(read.substr(read.rfind(' ') + 1), "3000") << name << ": " << read;
        }
        auto t = openTable(spilled / name);
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << name;
        auto c = t->openIndex("ByName");
        std::string previous;
        int rows = 0;
        for (bool on = c->first(); on; on = c->next(), ++rows) {
            std::string key = c->key();
            ASSERT_LE(previous, key) << name;
            previous = key;
        }
        EXPECT_EQ(rows, 3000) << name;
    }
}

// Keying a table whose rows hold one key twice refuses the key with runs
// spilled too, and leaves the table as it was.
TEST(ParadoxBoundedMemory, ADuplicateKeyFoundAcrossRunsLeavesTheTable) {
    SmallMemory small(1024);
    support::TempDir dir("paradox-memory");
    {
        auto t = createTable(dir / "T.DB", kFields);
        batch(*t, 1, 800);
        t->append(row(5));
    }
    const Files before = snapshot(dir.path());
    auto t = openTable(dir / "T.DB");
    EXPECT_EQ(support::errorCode([&] { t->addIndex(kKey); }), code::KeyViolation);
    EXPECT_EQ(difference(snapshot(dir.path()), before), "");
}
