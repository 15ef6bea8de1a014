// What `cmake --install` puts under a prefix: the files the Debian package is
// made of (CPack installs by the same rules).
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace fs = std::filesystem;
using support::Outcome;
using support::TempDir;

namespace {

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = new TempDir;
        Outcome installed = support::run(
            {"cmake", "--install", SCHEDAX_BINARY_DIR, "--prefix", prefix_->path().string()});
        ASSERT_EQ(installed.status, 0) << installed.err;
    }
    static void TearDownTestSuite() {
        delete prefix_;
        prefix_ = nullptr;
    }
    static fs::path at(const std::string& relative) { return prefix_->path() / relative; }
    // An installed program run as from a desktop session without a display.
    static Outcome runWithoutDisplay(const std::string& program, const std::string& option) {
        support::RunOptions options;
        options.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
        return support::run({at("bin/" + program).string(), option}, options);
    }

    static inline TempDir* prefix_ = nullptr;
};

std::set<std::string> filesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), root).string());
    return files;
}

} // namespace

TEST_F(Installed, ProgramsDesktopEntriesIconsMetadataAndManualPage) {
    std::set<std::string> expected = {
        "bin/dicttool",
        "bin/envtool",
        "bin/tabletool",
        "share/applications/org.schedax.dicttool.desktop",
        "share/applications/org.schedax.envtool.desktop",
        "share/icons/hicolor/48x48/apps/org.schedax.dicttool.png",
        "share/icons/hicolor/48x48/apps/org.schedax.envtool.png",
        "share/icons/hicolor/scalable/apps/org.schedax.dicttool.svg",
        "share/icons/hicolor/scalable/apps/org.schedax.envtool.svg",
        "share/man/man1/dicttool.1.gz",
        "share/man/man1/tabletool.1.gz",
        "share/metainfo/org.schedax.dicttool.metainfo.xml",
        "share/metainfo/org.schedax.envtool.metainfo.xml",
    };
    std::set<std::string> found = filesUnder(prefix_->path());
    found.erase(".run-out");
    found.erase(".run-err");
    EXPECT_EQ(found, expected);
    for (const char* program : {"bin/dicttool", "bin/envtool", "bin/tabletool"})
        EXPECT_TRUE((fs::status(at(program)).permissions() & fs::perms::others_exec) !=
                    fs::perms::none)
            << program;

    // Each desktop entry starts an installed program and names an installed icon.
    for (const char* program : {"dicttool", "envtool"}) {
        std::string entry = support::readBytes(
            at("share/applications/org.schedax." + std::string(program) + ".desktop"));
        EXPECT_NE(entry.find("\nExec=" + std::string(program) + "\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nIcon=org.schedax." + std::string(program) + "\n"),
                  std::string::npos)
            << entry;
    }
}

TEST_F(Installed, EveryProgramAnswersVersionAndHelpWithoutADisplay) {
    Outcome version = runWithoutDisplay("tabletool", "--version");
    ASSERT_EQ(version.status, 0) << version.err;
    std::smatch number;
    ASSERT_TRUE(
        std::regex_match(version.out, number, std::regex("tabletool \\(Schedax\\) (\\S+)\n")))
        << version.out;
    for (const char* program : {"dicttool", "envtool"}) {
        Outcome answered = runWithoutDisplay(program, "--version");
        EXPECT_EQ(answered.status, 0) << program << answered.err;
        EXPECT_EQ(answered.out, std::string(program) + " (Schedax) " + number[1].str() + "\n");
        Outcome help = runWithoutDisplay(program, "--help");
        EXPECT_EQ(help.status, 0) << program << help.err;
        EXPECT_NE(help.out.find("usage: " + std::string(program)), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "") << program;
    }
    // The metadata carries the version that the programs report.
    std::string metainfo =
        support::readBytes(at("share/metainfo/org.schedax.dicttool.metainfo.xml"));
    EXPECT_NE(metainfo.find("<release version=\"" + number[1].str() + "\""), std::string::npos);
}

TEST_F(Installed, TheManualPageDescribesEveryCommandOfTheHelp) {
    Outcome help = support::run({at("bin/tabletool").string(), "--help"});
    ASSERT_EQ(help.status, 0);
    Outcome page = support::run({"zcat", at("share/man/man1/tabletool.1.gz").string()});
    ASSERT_EQ(page.status, 0) << page.err;
    std::regex commandLine("\n  tabletool ([a-z]+) ");
    int commands = 0;
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), commandLine), end; it != end;
         ++it, ++commands)
        EXPECT_NE(page.out.find(".BI " + (*it)[1].str() + " "), std::string::npos) << (*it)[1];
    EXPECT_GE(commands, 9);
}
