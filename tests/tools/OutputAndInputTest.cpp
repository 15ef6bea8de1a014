// What reaches the user when output is lost, input comes through a pipe, or
// a command line is wrong: tabletool and envtool as real programs.
#include "TabletoolFixture.h"

#include "engine/drivers/Tables.h"

using support::writeBytes;

namespace {

const std::string Tabletool = SCHEDAX_BINARY_DIR "/tools/tabletool";

class CommandLines : public TabletoolFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(tool({"create", at("T.DBF"), "CODE C 6, AMOUNT N 8 2"}).status, 0);
        writeBytes(dir / "rows.csv", "CODE,AMOUNT\nA1,1.50\nB2,3\n");
    }
    std::string exported() { return tool({"export", at("T.DBF")}).out; }
    // tabletool with its standard output on a full disk.
    static Outcome toFullDisk(std::vector<std::string> args) {
        args.insert(args.begin(), {"sh", "-c", "exec \"$0\" \"$@\" >/dev/full", Tabletool});
        return support::run(args);
    }
    // tabletool with `input` on its standard input, a pipe.
    static Outcome piped(const std::vector<std::string>& args, const std::string& input) {
        std::vector<std::string> command = {Tabletool};
        command.insert(command.end(), args.begin(), args.end());
        support::RunOptions options;
        options.input = input;
        return support::run(command, options);
    }
};

TEST_F(CommandLines, OutputThatCannotBeWrittenIsAFailure) {
    for (const char* command : {"info", "check", "export"}) {
        Outcome r = toFullDisk({command, at("T.DBF")});
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    Outcome help = toFullDisk({"--help"});
    EXPECT_EQ(help.status, 3);
    EXPECT_NE(help.err.find("cannot write standard output"), std::string::npos) << help.err;
    // The same command to a file that takes it ends well.
    EXPECT_EQ(tool({"info", at("T.DBF")}).status, 0);
}

TEST_F(CommandLines, ImportReadsAPipeOnce) {
    std::string rows = support::readBytes(dir / "rows.csv");
    Outcome dash = piped({"import", at("T.DBF"), "-"}, rows);
    ASSERT_EQ(dash.status, 0) << dash.err;
    EXPECT_NE(dash.out.find("2 rows imported"), std::string::npos) << dash.out;
    Outcome stdinFile = piped({"import", at("T.DBF"), "/dev/stdin"}, rows);
    ASSERT_EQ(stdinFile.status, 0) << stdinFile.err;
    EXPECT_EQ(exported(), "CODE,AMOUNT\nA1,1.50\nB2,3.00\nA1,1.50\nB2,3.00\n");

    // A bad row late in the pipe: the rows before it are not kept.
    std::string before = exported();
    Outcome bad = piped({"import", at("T.DBF"), "-"}, "CODE,AMOUNT\nC3,1\nD4,2\nE5,0.125\n");
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("standard input line 4: field AMOUNT: 0.125 has more than 2 decimals"),
              std::string::npos)
        << bad.err;
    EXPECT_EQ(bad.err.find("usage"), std::string::npos) << bad.err;
    EXPECT_EQ(exported(), before);
    EXPECT_TRUE(engine::openTable(dir / "T.DBF")->check().empty());
}

TEST_F(CommandLines, UnknownOptionsAreRefusedBeforeAnyWindowOpens) {
    expectMisused({"info", at("T.DBF"), "--bogus"}, "T.DBF", "unknown option --bogus");
#ifdef ENVTOOL // built with the Qt programs only
    // No display at all: a window that opened would fail in another way.
    support::RunOptions bare;
    bare.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    for (const char* word : {"--bogus", "-x", "extra"}) {
        Outcome r = support::run({ENVTOOL, word}, bare);
        EXPECT_EQ(r.status, 2) << word << r.err;
        EXPECT_NE(r.err.find("envtool: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(word), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
#endif
}

} // namespace
