// What reaches the user when output is lost, input comes through a pipe, or
// a command line is wrong: tabletool and envtool as real programs.
#include "TabletoolFixture.h"

#include "engine/drivers/Tables.h"

using support::writeBytes;

namespace {

class CommandLines : public TabletoolFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(tool("create " + at("T.DBF") + " 'CODE C 6, AMOUNT N 8 2'").status, 0);
        writeBytes(dir / "rows.csv", "CODE,AMOUNT\nA1,1.50\nB2,3\n");
    }
    std::string exported() { return tool("export " + at("T.DBF")).out; }
    // tabletool with its standard output on a full disk.
    Outcome toFullDisk(const std::string& args) {
        return dbase_test::run(
            "{ " SCHEDAX_BINARY_DIR "/tools/tabletool " + args + " >/dev/full; }", dir.path());
    }
};

TEST_F(CommandLines, OutputThatCannotBeWrittenIsAFailure) {
    for (const char* command : {"info ", "check ", "export "}) {
        Outcome r = toFullDisk(command + at("T.DBF"));
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    Outcome help = toFullDisk("--help");
    EXPECT_EQ(help.status, 3);
    EXPECT_NE(help.err.find("cannot write standard output"), std::string::npos) << help.err;
    // The same commands to a file that takes them end well.
    EXPECT_EQ(tool("info " + at("T.DBF")).status, 0);
}

TEST_F(CommandLines, ImportReadsAPipeOnce) {
    Outcome piped = tool("import " + at("T.DBF") + " - <" + at("rows.csv"));
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_NE(piped.out.find("2 rows imported"), std::string::npos) << piped.out;
    Outcome stdinFile = dbase_test::run("cat " + at("rows.csv") +
                                            " | " SCHEDAX_BINARY_DIR "/tools/tabletool import " +
                                            at("T.DBF") + " /dev/stdin",
                                        dir.path());
    ASSERT_EQ(stdinFile.status, 0) << stdinFile.err;
    EXPECT_EQ(exported(), "CODE,AMOUNT\nA1,1.50\nB2,3.00\nA1,1.50\nB2,3.00\n");

    // A bad row late in the pipe: the rows before it are not kept.
    writeBytes(dir / "bad.csv", "CODE,AMOUNT\nC3,1\nD4,2\nE5,0.125\n");
    std::string before = exported();
    Outcome bad = dbase_test::run("cat " + at("bad.csv") +
                                      " | " SCHEDAX_BINARY_DIR "/tools/tabletool import " +
                                      at("T.DBF") + " -",
                                  dir.path());
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("standard input line 4: field AMOUNT: 0.125 has more than 2 decimals"),
              std::string::npos)
        << bad.err;
    EXPECT_EQ(bad.err.find("usage"), std::string::npos) << bad.err;
    EXPECT_EQ(exported(), before);
    EXPECT_TRUE(engine::openTable(dir / "T.DBF")->check().empty());
}

TEST_F(CommandLines, UnknownOptionsAreRefusedBeforeAnyWindowOpens) {
    expectMisused("info " + at("T.DBF") + " --bogus", "T.DBF", "unknown option --bogus");
    // No display at all: a window that opened would fail in another way.
    std::string bare = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " SCHEDAX_BINARY_DIR
                       "/envtool/envtool ";
    for (const char* word : {"--bogus", "-x", "extra"}) {
        Outcome r = dbase_test::run(bare + word, dir.path());
        EXPECT_EQ(r.status, 2) << word << r.err;
        EXPECT_NE(r.err.find(std::string("envtool: ")), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(word), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
