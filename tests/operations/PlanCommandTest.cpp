#include "OperationsWorkspace.h"
#include "support/FileBytes.h"
#include "support/Process.h"

#include "engine/drivers/Tables.h"

#include <csignal>

using namespace engine;
namespace fs = std::filesystem;

namespace {

// dicttool's --plan and --run, run as a second program on the workspace,
// without a display.
class PlanCommand : public OperationsWorkspace {
protected:
    void SetUp() override {
        OperationsWorkspace::SetUp();
        addApplication("AA", "Accounts");
        setInstalled("AA", true);
        addTable("CLIENTI", "0", "AA");
        addTypedField("CLIENTI", 1, "CODE", "C", 6);
        addTypedField("CLIENTI", 2, "CITY", "C", 15);
        addTypedField("CLIENTI", 3, "NOTE", "M", 10);
        addTag("CLIENTI", "BYCODE", "CODE");
    }
    support::Outcome dicttool(const std::vector<std::string>& arguments) {
        std::vector<std::string> command = {SCHEDAX_BINARY_DIR "/shell/dicttool"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        support::RunOptions options;
        options.unset = {"DISPLAY", "QT_QPA_PLATFORM"};
        return support::run(command, options);
    }
    void createWithRows() {
        support::Outcome created = dicttool({"--run", "create", "--application", "AA"});
        ASSERT_EQ(created.status, 0) << created.err;
        insertRows(tables / "CLIENTI.DBF", {{{"CODE", "C1"}, {"CITY", "Roma"}, {"NOTE", "uno"}},
                                            {{"CODE", "C2"}, {"CITY", "Milano"}}});
    }
};

TEST_F(PlanCommand, APlanThatLosesValuesSaysWhichAndExitsOneWithNothingChanged) {
    createWithRows();
    renameField("CLIENTI", "CITY", "TOWN");
    auto before = tableFiles();

    support::Outcome planned = dicttool({"--plan", "create", "--application", "AA"});
    EXPECT_EQ(planned.status, 1) << planned.err;
    for (const char* line : {"CLIENTI (DBASE): rebuild, rows carried over", "  added: TOWN",
                             "  dropped: CITY", "  tags: BYCODE", "  lost: CITY dropped, 2 values"})
        EXPECT_NE(planned.out.find(line), std::string::npos) << line << "\n" << planned.out;
    EXPECT_EQ(tableFiles(), before);
}

TEST_F(PlanCommand, ARunThatLosesValuesNeedsAcceptLossAndThenKeepsABackup) {
    createWithRows();
    renameField("CLIENTI", "CITY", "TOWN");
    auto before = tableFiles();

    support::Outcome refused = dicttool({"--run", "create", "--application", "AA"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--accept-loss"), std::string::npos) << refused.err;
    EXPECT_EQ(tableFiles(), before);

    support::Outcome ran = dicttool({"--run", "create", "--application", "AA", "--accept-loss"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.err.find("dicttool: CLIENTI: built"), std::string::npos) << ran.err;
    const std::string kept = "The old table is kept in ";
    std::size_t at = ran.out.find(kept);
    ASSERT_NE(at, std::string::npos) << ran.out;
    fs::path backup = ran.out.substr(at + kept.size(), ran.out.find('\n', at) - at - kept.size());
    EXPECT_EQ(dbfRows(backup / "CLIENTI.DBF", "CODE,CITY,NOTE"),
              (std::vector<std::string>{"C1|Roma|uno", "C2|Milano|"}));
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,TOWN"),
              (std::vector<std::string>{"C1|", "C2|"}));
    EXPECT_TRUE(application("AA").installed);
}

TEST_F(PlanCommand, ARefusedRunExitsTwoAndNamesEachReason) {
    addTypedField("CLIENTI", 4, "WIDE", "C", 300);
    support::Outcome planned = dicttool({"--plan", "create"});
    EXPECT_EQ(planned.status, 2);
    EXPECT_NE(planned.out.find("CLIENTI (DBASE): refused"), std::string::npos) << planned.out;
    EXPECT_NE(planned.out.find("field WIDE must be 1 to 254 characters wide"), std::string::npos)
        << planned.out;
    support::Outcome ran = dicttool({"--run", "create"});
    EXPECT_EQ(ran.status, 2);
    EXPECT_TRUE(fs::is_empty(tables));
}

TEST_F(PlanCommand, CheckReportsDriftAndLeftovers) {
    support::Outcome missing = dicttool({"--plan", "check"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("CLIENTI: differs\n  the table does not exist"), std::string::npos)
        << missing.out;

    createWithRows();
    support::Outcome matching = dicttool({"--plan", "check"});
    EXPECT_EQ(matching.status, 0) << matching.out << matching.err;
    EXPECT_EQ(matching.out, "CLIENTI: matches\n");

    addTypedField("CLIENTI", 4, "PHONE", "C", 12);
    fs::copy_file(tables / "CLIENTI.DBF", tables / "$$OLD.DBF");
    support::Outcome drifted = dicttool({"--plan", "check"});
    EXPECT_EQ(drifted.status, 1);
    EXPECT_NE(drifted.out.find("fields missing from the table: PHONE"), std::string::npos)
        << drifted.out;
    EXPECT_NE(drifted.out.find("leftover: " + (tables / "$$OLD.DBF").string()), std::string::npos)
        << drifted.out;
}

TEST_F(PlanCommand, AStartFinishesOrUndoesAnUpdateAKilledRunLeft) {
    createWithRows();
    addTypedField("CLIENTI", 4, "PHONE", "C", 12);
    support::Outcome killed = support::run({BUILD_UNTIL, "CLIENTI", "0", "created"});
    ASSERT_EQ(killed.signal, SIGKILL);
    ASSERT_TRUE(fs::exists(tables / "$$CLIENTI.JRN"));

    support::Outcome checked = dicttool({"--plan", "check"});
    EXPECT_NE(checked.err.find("dicttool: CLIENTI: an interrupted update was undone"),
              std::string::npos)
        << checked.err;
    EXPECT_FALSE(fs::exists(tables / "$$CLIENTI.JRN"));
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,CITY,NOTE"),
              (std::vector<std::string>{"C1|Roma|uno", "C2|Milano|"}));
}

TEST_F(PlanCommand, AJournalOfAnEarlierVersionIsCarriedOutToo) {
    // Earlier versions wrote the step without the blanks that let it be
    // overwritten in place.
    createWithRows();
    addTypedField("CLIENTI", 4, "PHONE", "C", 12);
    support::Outcome killed = support::run({BUILD_UNTIL, "CLIENTI", "0", "moved"});
    ASSERT_EQ(killed.signal, SIGKILL);
    const fs::path journal = tables / "$$CLIENTI.JRN";
    std::string text = support::readBytes(journal);
    const std::string building = "step\tbuilding\n";
    ASSERT_NE(text.find(building), std::string::npos) << text;
    text.replace(text.find(building), building.size(), "step\tbuilt\n");
    support::writeBytes(journal, text);

    support::Outcome checked = dicttool({"--plan", "check"});
    EXPECT_NE(checked.err.find("dicttool: CLIENTI: an interrupted update was finished"),
              std::string::npos)
        << checked.err;
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_FALSE(fs::exists(tables / "$$CLIENTI.DBF"));
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,PHONE,CITY,NOTE"),
              (std::vector<std::string>{"C1||Roma|uno", "C2||Milano|"}));
}

TEST_F(PlanCommand, AnUnknownWordIsAUsageError) {
    for (std::vector<std::string> words : {std::vector<std::string>{"--plan", "destroy"},
                                           {"--run", "check"},
                                           {"--plan", "update", "--accept-loss"},
                                           {"--plan", "update", "--bogus", "x"}}) {
        support::Outcome ran = dicttool(words);
        EXPECT_EQ(ran.status, 2) << words[1];
        EXPECT_NE(ran.err.find("usage: dicttool --plan"), std::string::npos) << ran.err;
    }
}

} // namespace
