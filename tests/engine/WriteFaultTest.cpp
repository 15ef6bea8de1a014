// Every write of every write path fails in turn (the file layer's fault
// seam): afterwards the table's files are byte for byte as before, and the
// table checks sound and still takes writes.
#include "engine/base/DroppedWork.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FaultSeam.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

Files snapshot(const fs::path& dir) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

// "" when equal, else the first file that differs and where.
std::string difference(const Files& now, const Files& before) {
    for (const auto& [name, bytes] : before) {
        auto it = now.find(name);
        if (it == now.end())
            return name + " is gone";
        if (it->second != bytes) {
            std::size_t at = 0;
            while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at])
                ++at;
            return name + " differs from offset " + std::to_string(at) + " (" +
                   std::to_string(it->second.size()) + " bytes, were " +
                   std::to_string(bytes.size()) + ")";
        }
    }
    for (const auto& [name, bytes] : now)
        if (!before.count(name))
            return name + " is new";
    return "";
}

void restore(const fs::path& dir, const Files& files) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& [name, bytes] : files)
        std::ofstream(dir / name, std::ios::binary) << bytes;
}

Record row(int i, const std::string& memo = "") {
    return {Value("C" + std::to_string(i)), Value(static_cast<double>(i % 7)),
            memo.empty() ? Value() : Value(memo)};
}

// Runs `op` on the table at `table` failing at write 1, 2, ... (every write
// while few, then every `stride`-th) and checks that each failure leaves
// every file as it was.
void failEveryWrite(const fs::path& table, const std::string& what,
                    const std::function<void(TableFile&)>& op) {
    const fs::path dir = table.parent_path();
    const Files before = snapshot(dir);
    std::uint64_t writes = 0;
    {
        auto t = openTable(table);
        std::uint64_t start = faults::writesSoFar();
        op(*t);
        writes = faults::writesSoFar() - start;
    }
    ASSERT_GT(writes, 0u) << what;
    const std::uint64_t stride = writes > 30 ? writes / 12 : 1;
    for (std::uint64_t n = 1; n <= writes; n += (n < 12 ? 1 : stride)) {
        restore(dir, before);
        auto fault = n % 2 ? faults::Fault::IoError : faults::Fault::DiskFull;
        {
            auto t = openTable(table);
            faults::failWrite(n, fault);
            try {
                op(*t);
                ADD_FAILURE() << what << ": write " << n << " of " << writes << " did not fail";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.code(), code::IoError) << what << ": " << e.what();
            }
            faults::failWrite(0);
        }
        ASSERT_EQ(difference(snapshot(dir), before), "")
            << what << ": files changed after write " << n << " of " << writes << " failed";
        auto t = openTable(table);
        ASSERT_EQ(t->check(), std::vector<std::string>{}) << what << ", write " << n;
        op(*t); // and it takes the same writes afterwards
        ASSERT_EQ(t->check(), std::vector<std::string>{}) << what << ", write " << n;
    }
}

} // namespace

TEST(WriteFaults, EveryDbaseWritePathLeavesTheFilesAsTheyWere) {
    support::TempDir dir("schedax-fault-dbase");
    fs::path table = dir.path() / "T.DBF";
    {
        auto t = createTable(table, {{"CODE", FieldType::Character, 8, 0},
                                     {"N", FieldType::Numeric, 5, 0},
                                     {"NOTE", FieldType::Memo, 10, 0}});
        for (int i = 1; i <= 120; ++i)
            t->append(row(i, i % 3 ? "" : "memo of row " + std::to_string(i)));
        t->addIndex({"CODE", "CODE", "", false, false});
        t->addIndex({"N", "STR(N,5)+CODE", ".NOT. DELETED()", false, true});
    }
    failEveryWrite(table, "append", [](TableFile& t) { t.append(row(500, "a new memo")); });
    failEveryWrite(table, "update", [](TableFile& t) { t.update(7, row(700, "changed memo")); });
    failEveryWrite(table, "delete", [](TableFile& t) { t.remove(9); });
    // Enough keys for the tag pages to split.
    failEveryWrite(table, "batch", [](TableFile& t) {
        t.beginAppendBatch();
        for (int i = 0; i < 400; ++i)
            t.append(row(1000 + i, i % 5 ? "" : std::string(700, 'm')));
        t.endAppendBatch();
    });
    failEveryWrite(table, "index", [](TableFile& t) {
        t.addIndex({"NOTE", "N", "", false, false});
    });
    failEveryWrite(table, "reindex", [](TableFile& t) { t.reindex(); });
}

TEST(WriteFaults, EveryParadoxWritePathLeavesTheFilesAsTheyWere) {
    support::TempDir dir("schedax-fault-paradox");
    fs::path table = dir.path() / "P.DB";
    {
        auto t = createTable(table, {{"CODE", FieldType::Character, 8, 0},
                                     {"N", FieldType::Double, 0, 0},
                                     {"NOTE", FieldType::Memo, 10, 0}});
        t->addIndex({"", "CODE", "", false, false, true, false});
        t->addIndex({"ByN", "N", "", false, false, false, false});
        for (int i = 1; i <= 300; ++i)
            t->append(row(i, i % 3 ? "" : "memo of row " + std::to_string(i)));
    }
    failEveryWrite(table, "append", [](TableFile& t) { t.append(row(5000, "a new memo")); });
    failEveryWrite(table, "update", [](TableFile& t) {
        auto c = t.openIndex("");
        c->seek(t.indexKey("", row(17)));
        t.update(c->row(), row(7000, std::string(300, 'u')));
    });
    failEveryWrite(table, "delete", [](TableFile& t) {
        auto c = t.openIndex("");
        c->seek(t.indexKey("", row(20)));
        t.remove(c->row());
    });
    failEveryWrite(table, "batch", [](TableFile& t) {
        t.beginAppendBatch();
        for (int i = 0; i < 400; ++i)
            t.append(row(9000 + i, i % 5 ? "" : std::string(700, 'm')));
        t.endAppendBatch();
    });
    failEveryWrite(table, "index", [](TableFile& t) {
        t.addIndex({"CodeN", "CODE;N", "", false, false, false, true});
    });
    failEveryWrite(table, "reindex", [](TableFile& t) { t.reindex(); });
}

// A value the table cannot hold ends a batch; the rows before it and their
// index entries are gone with it, and the next batch files its rows right.
TEST(WriteFaults, ARefusedRowTakesItsWholeBatchBack) {
    for (const char* name : {"R.DBF", "R.DB"}) {
        support::TempDir dir("schedax-fault-" + std::string(name));
        fs::path table = dir.path() / name;
        {
            auto t = createTable(table, {{"CODE", FieldType::Character, 5, 0}});
            if (tableKindOf(table) == TableKind::Paradox)
                t->addIndex({"", "CODE", "", false, false, true, false});
            else
                t->addIndex({"CODE", "CODE", "", false, false});
            t->append({Value("A0")});
        }
        const Files before = snapshot(dir.path());
        {
            auto t = openTable(table);
            t->beginAppendBatch();
            t->append({Value("A1")});
            t->append({Value("A2")});
            try {
                t->append({Value("\xE4\xB8\xAD")}); // a character code page 1252 lacks
                ADD_FAILURE() << name << ": the character was stored";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.code(), code::CodePage) << e.what();
            }
            t->endAppendBatch();
        }
        EXPECT_EQ(difference(snapshot(dir.path()), before), "") << name;
        auto t = openTable(table);
        t->beginAppendBatch();
        t->append({Value("B1")});
        t->endAppendBatch();
        EXPECT_EQ(t->rowCount(), 2u);
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << name;
    }
}

// A handle closed in the middle of a batch drops the batch and says so.
TEST(WriteFaults, ABatchLeftOpenIsDroppedAndReported) {
    std::vector<std::string> reported;
    setDroppedWorkHandler([&](const EngineError& e) { reported.push_back(e.what()); });
    for (const char* name : {"D.DBF", "D.DB"}) {
        support::TempDir dir("schedax-fault-" + std::string(name));
        fs::path table = dir.path() / name;
        createTable(table, {{"CODE", FieldType::Character, 5, 0}})->append({Value("A0")});
        const Files before = snapshot(dir.path());
        {
            auto t = openTable(table);
            t->beginAppendBatch();
            for (int i = 0; i < 100; ++i)
                t->append({Value("B" + std::to_string(i))});
        }
        EXPECT_EQ(difference(snapshot(dir.path()), before), "") << name;
        ASSERT_EQ(reported.size(), std::string(name) == "D.DBF" ? 1u : 2u) << name;
        EXPECT_NE(reported.back().find("closed in the middle of a batch"), std::string::npos);
        EXPECT_EQ(openTable(table)->rowCount(), 1u);
    }
    setDroppedWorkHandler(nullptr);
}

// A key reads only the fields it names: a memo pointer past the end of the
// memo file does not stop a reindex, nor a new tag, of a tag on another field.
TEST(WriteFaults, ADamagedMemoDoesNotBlockIndexesThatDoNotNeedIt) {
    support::TempDir dir("schedax-fault-memo");
    fs::path table = dir.path() / "M.DBF";
    {
        auto t = createTable(
            table, {{"CODE", FieldType::Character, 5, 0}, {"NOTE", FieldType::Memo, 10, 0}});
        for (int i = 0; i < 20; ++i)
            t->append({Value("C" + std::to_string(100 - i)), Value("note " + std::to_string(i))});
        t->addIndex({"CODE", "CODE", "", false, false});
    }
    {
        // Record 3's memo pointer (10 bytes after the flag and CODE) past the end.
        std::fstream dbf(table, std::ios::in | std::ios::out | std::ios::binary);
        dbf.seekg(8);
        unsigned char h[4];
        dbf.read(reinterpret_cast<char*>(h), 4);
        const int headerLength = h[0] | h[1] << 8, recordLength = h[2] | h[3] << 8;
        dbf.seekp(headerLength + 2 * recordLength + 1 + 5);
        dbf.write("    999999", 10);
    }
    auto t = openTable(table);
    t->reindex();
    t->addIndex({"CODED", "CODE", "", false, true});
    std::vector<std::string> faults = t->check();
    ASSERT_EQ(faults.size(), 1u); // the memo, not the indexes
    EXPECT_NE(faults[0].find("memo"), std::string::npos) << faults[0];
    auto cursor = t->openIndex("CODE");
    std::vector<RowId> rows;
    for (bool on = cursor->first(); on; on = cursor->next())
        rows.push_back(cursor->row());
    EXPECT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows.front(), 1u); // "C100" sorts first
    EXPECT_EQ(rows.back(), 2u);  // "C99" last
}
