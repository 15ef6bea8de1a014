#include "OperationsWorkspace.h"

#include "engine/Tables.h"

#include <csignal>
#include <sys/wait.h>

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

    // Runs the builder process; its exit status, or -signal when killed.
    static int buildUntil(const std::string& step = "", int count = 1, std::string* err = nullptr) {
        std::string command = std::string(BUILD_UNTIL) + " BIG 0";
        if (!step.empty())
            command += " " + step + " " + std::to_string(count);
        std::string out = runCommand("sh -c '" + command + " 2>&1; echo \"#$?\"'");
        auto mark = out.rfind('#');
        int status = std::stoi(out.substr(mark + 1));
        if (err)
            *err = out.substr(0, mark);
        return status > 128 ? -(status - 128) : status;
    }

    fs::path original;
};

TEST_F(KillHarness, EveryStepKilledLosesNoRowAndNoMemo) {
    const std::pair<const char*, int> kills[] = {{"renamed", 1},    {"created", 1}, {"index", 1},
                                                 {"moving", 10},    {"moved", 1},   {"deleted", 1},
                                                 {"regenerated", 1}};
    std::vector<std::string> survivors; // the file holding the rows after each kill
    std::vector<std::string> outcomes;
    int point = 0;
    for (const auto& [step, count] : kills) {
        restoreOriginal();
        ASSERT_EQ(buildUntil(step, count), -SIGKILL) << step;
        std::string message;
        int status = buildUntil("", 1, &message);
        fs::path kept = root / ("after-" + std::to_string(++point));
        fs::create_directories(kept);
        if (status == 0) {
            EXPECT_FALSE(tableExists(tables / "$$BIG.DBF")) << step;
            auto table = openTable(tables / "BIG.DBF");
            EXPECT_EQ(table->fields().size(), 5u) << step;
            EXPECT_TRUE(table->check().empty()) << step;
            outcomes.push_back(std::string(step) + ": completed");
        } else {
            EXPECT_EQ(status, 1) << step << ": " << message;
            EXPECT_NE(message.find("interrupted update"), std::string::npos) << message;
            EXPECT_NE(message.find("$$BIG.DBF"), std::string::npos) << message;
            outcomes.push_back(std::string(step) + ": stopped");
        }
        std::string live = status == 0 ? "BIG" : "$$BIG";
        for (const char* ext : {".DBF", ".DBT"})
            fs::rename(tables / (live + ext), kept / (std::string("BIG") + ext));
        survivors.push_back((kept / "BIG.DBF").string());
    }
    // Only a kill before the new table exists, or after the saved one is
    // gone, lets the next build complete on its own.
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"renamed: completed", "created: stopped", "index: stopped",
                                        "moving: stopped", "moved: stopped", "deleted: completed",
                                        "regenerated: completed"}));

    std::string command = "/usr/bin/python3 " SCHEDAX_SOURCE_DIR
                          "/tests/operations/kill_check.py '" +
                          (original / "BIG.DBF").string() + "'";
    for (const std::string& file : survivors)
        command += " '" + file + "'";
    int status = 0;
    std::string report = runCommand(command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << report;
    std::string same;
    for (std::size_t i = 0; i < survivors.size(); ++i)
        same += "same " + std::to_string(Rows) + "\n";
    EXPECT_EQ(report, same);
}

} // namespace
