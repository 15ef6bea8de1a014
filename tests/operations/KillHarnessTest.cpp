#include "OperationsWorkspace.h"
#include "support/Process.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <csignal>
#include <functional>
#include <map>
#include <sstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr int Rows = 100000;

// An update of BIG (100,000 rows, a memo in every tenth, two tags), killed
// with SIGKILL at each step of the build in a process of its own. The next
// build then completes the update or stops at the leftover saved table, and
// every row and memo of the original is found again by an independent reader.
class KillHarness : public OperationsWorkspace {
protected:
    void SetUp() override {
        OperationsWorkspace::SetUp();
        addTable("BIG", "0");
        addTypedField("BIG", 10, "CODE", "C", 8);
        addTypedField("BIG", 20, "NAME", "C", 30);
        addTypedField("BIG", 30, "AMOUNT", "N", 10, 2);
        addTypedField("BIG", 40, "NOTE", "M", 10);
        addTag("BIG", "BYCODE", "CODE");
        addTag("BIG", "BYNAME", "UPPER(NAME)");
        makeOriginal();
        addTypedField("BIG", 25, "PHONE", "C", 12); // the change to install
    }

    void makeOriginal() {
        original = root / "original";
        fs::create_directories(original);
        auto table = createTable(original / "BIG.DBF", {{"CODE", FieldType::Character, 8, 0},
                                                        {"NAME", FieldType::Character, 30, 0},
                                                        {"AMOUNT", FieldType::Numeric, 10, 2},
                                                        {"NOTE", FieldType::Memo, 10, 0}});
        table->beginAppendBatch();
        for (int n = 1; n <= Rows; ++n) {
            std::string note = n % 10 == 0 ? "note " + std::to_string(n) + std::string(n % 700, 'm')
                                           : std::string();
            table->append({Value("K" + std::to_string(n)),
                           Value("Name " + std::to_string(Rows - n)), Value(n / 100.0),
                           note.empty() ? Value() : Value(note)});
        }
        table->endAppendBatch();
        table->addIndex({"BYCODE", "CODE"});
        table->addIndex({"BYNAME", "UPPER(NAME)"});
    }

    void restoreOriginal() {
        fs::remove_all(tables);
        fs::create_directories(tables);
        for (const auto& entry : fs::directory_iterator(original))
            fs::copy_file(entry.path(), tables / entry.path().filename());
    }

    // Runs the builder process with the words of `args`; its exit status,
    // or -signal when killed.
    static int buildUntil(const std::string& args, std::string* out = nullptr) {
        std::vector<std::string> command = {BUILD_UNTIL, "BIG", "0"};
        std::istringstream words(args);
        for (std::string word; words >> word;)
            command.push_back(word);
        support::RunOptions options;
        options.errorsToOutput = true;
        support::Outcome ran = support::run(command, options);
        if (out)
            *out = ran.out;
        return ran.signal ? -ran.signal : ran.status;
    }

    // Writes of each step of a whole build of the original, since the step
    // before ("created" counts the writes of the create).
    std::map<std::string, std::uint64_t> writesPerStep() {
        restoreOriginal();
        std::string out;
        EXPECT_EQ(buildUntil("count", &out), 0) << out;
        std::map<std::string, std::uint64_t> writes;
        std::istringstream lines(out);
        std::string step;
        std::uint64_t count = 0;
        while (lines >> step >> count)
            writes[step] = count;
        return writes;
    }

    // Kills a build of the original (build_until ARGS), runs the next build
    // and checks its outcome: completed, or stopped at the leftover saved
    // table. Keeps the table holding the rows for the comparison with the
    // original and returns "completed" or "stopped".
    std::string killAndRebuild(const std::string& args,
                               const std::function<void()>& beforeNextBuild = {}) {
        restoreOriginal();
        EXPECT_EQ(buildUntil(args), -SIGKILL) << args;
        if (beforeNextBuild)
            beforeNextBuild();
        std::string message;
        int status = buildUntil("", &message);
        fs::path kept = root / ("after-" + std::to_string(survivors.size() + 1));
        fs::create_directories(kept);
        if (status == 0) {
            EXPECT_FALSE(tableExists(tables / "$$BIG.DBF")) << args;
            auto table = openTable(tables / "BIG.DBF");
            EXPECT_EQ(table->fields().size(), 5u) << args;
            EXPECT_TRUE(table->check().empty()) << args;
        } else {
            EXPECT_EQ(status, 1) << args << ": " << message;
            EXPECT_NE(message.find("interrupted update"), std::string::npos) << message;
            EXPECT_NE(message.find("$$BIG.DBF"), std::string::npos) << message;
        }
        std::string live = status == 0 ? "BIG" : "$$BIG";
        for (const char* ext : {".DBF", ".DBT"})
            fs::rename(tables / (live + ext), kept / (std::string("BIG") + ext));
        survivors.push_back((kept / "BIG.DBF").string());
        return status == 0 ? "completed" : "stopped";
    }

    // A table whose regeneration was killed: a writer refuses it, naming
    // the reindex that repairs it, or its indexes are whole already; after
    // that reindex the index check finds every key's row. Keeps it for the comparison and
    // returns whether it was refused.
    bool refusedUntilReindexed(const std::string& label) {
        fs::path kept = root / ("killed-" + std::to_string(survivors.size() + 1));
        fs::create_directories(kept);
        for (const auto& entry : fs::directory_iterator(tables))
            fs::copy_file(entry.path(), kept / entry.path().filename());
        survivors.push_back((kept / "BIG.DBF").string());
        auto table = openTable(kept / "BIG.DBF");
        bool whole = table->check().empty();
        try {
            table->append({Value("NEW"), Value(), Value(), Value(), Value()});
            table->remove(table->rowCount());
        } catch (const EngineError& error) {
            EXPECT_EQ(error.code(), code::IndexOutOfDate) << label << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find("tabletool reindex"), std::string::npos)
                << label << ": " << error.what();
            table->reindex();
            EXPECT_EQ(table->check(), std::vector<std::string>{}) << label;
            return true;
        }
        EXPECT_TRUE(whole) << label << ": a writer was not told of the unfinished indexes";
        return false;
    }

    // Every kept table holds every row and memo of the original, read by dbfread.
    void expectNoRowLost() {
        std::vector<std::string> command = {"/usr/bin/python3",
                                            SCHEDAX_SOURCE_DIR "/tests/operations/kill_check.py",
                                            (original / "BIG.DBF").string()};
        command.insert(command.end(), survivors.begin(), survivors.end());
        support::RunOptions options;
        options.errorsToOutput = true;
        support::Outcome checked = support::run(command, options);
        const std::string& report = checked.out;
        ASSERT_EQ(checked.status, 0) << report;
        std::string same;
        for (std::size_t i = 0; i < survivors.size(); ++i)
            same += "same " + std::to_string(Rows) + "\n";
        EXPECT_EQ(report, same);
    }

    fs::path original;
    std::vector<std::string> survivors; // the file holding the rows after each kill
};

TEST_F(KillHarness, EveryStepKilledLosesNoRowAndNoMemo) {
    const std::pair<const char*, int> kills[] = {{"renamed", 1},    {"created", 1}, {"index", 1},
                                                 {"moving", 10},    {"moved", 1},   {"deleted", 1},
                                                 {"regenerated", 1}};
    std::vector<std::string> outcomes;
    for (const auto& [step, count] : kills)
        outcomes.push_back(step + (": " + killAndRebuild(step + (" " + std::to_string(count)))));
    // Only a kill before the new table exists, or after the saved one is
    // gone, lets the next build complete on its own.
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"renamed: completed", "created: stopped", "index: stopped",
                                        "moving: stopped", "moved: stopped", "deleted: completed",
                                        "regenerated: completed"}));
    expectNoRowLost();
}

// Kills inside the create of the new table and inside the regeneration of
// its indexes: at the first and the last write of each, and at a middle
// write of the regeneration.
TEST_F(KillHarness, KilledInsideCreateOrRegenerationLosesNoRow) {
    auto writes = writesPerStep();
    ASSERT_GT(writes["created"], 1u);
    ASSERT_GT(writes["regenerated"], 2u);
    std::vector<std::string> outcomes;
    for (std::uint64_t write : {std::uint64_t{1}, writes["created"]})
        outcomes.push_back(killAndRebuild("renamed 1 " + std::to_string(write)));
    for (std::uint64_t write :
         {std::uint64_t{1}, writes["regenerated"] / 2, writes["regenerated"]}) {
        std::string label = "regeneration killed at write " + std::to_string(write);
        std::string state;
        std::string next = killAndRebuild("deleted 1 " + std::to_string(write), [&] {
            state = refusedUntilReindexed(label) ? "refused, " : "whole, ";
        });
        outcomes.push_back(state + next);
    }
    // The new table exists from the create's first write on, so the saved
    // rows stay put. A regeneration killed at its first write (the table's
    // modified mark) changed nothing; killed later, it leaves a table marked
    // unfinished, and the next build makes it anew either way.
    EXPECT_EQ(outcomes, (std::vector<std::string>{"stopped", "stopped", "whole, completed",
                                                  "refused, completed", "refused, completed"}));
    expectNoRowLost();
}

} // namespace
