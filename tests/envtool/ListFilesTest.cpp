// The files envtool reads and rewrites: the list and the engine
// configuration, as other programs and other systems leave them.
#include "EnvtoolFixture.h"

#include "engine/config/Engine.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int fileMode(const fs::path& file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st.st_mode & 07777;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string aliasPath() {
    engine::Engine other;
    other.init();
    return other.alias("DBZET").path;
}

// Root reads and writes any file: the cases about modes run as another
// user (ctest's EnvtoolAsUser runs this program as nobody).
#define SKIP_AS_ROOT()                                                                             \
    if (::geteuid() == 0)                                                                          \
    GTEST_SKIP() << "root reads and writes any file; EnvtoolAsUser runs this case as nobody"

} // namespace

TEST_F(EnvtoolTest, AListThatCouldNotBeReadIsNeverWrittenOver) {
    SKIP_AS_ROOT();
    fs::create_directories(dir / "acc");
    std::string original = "Accounts#" + (dir / "acc").string() + "\r\n";
    writeList(original);
    fs::permissions(listFile, fs::perms::none);
    start();
    // Qt's reason for the failed read, whatever the locale.
    ASSERT_EQ(dialogs.texts().size(), 1);
    QString readError = dialogs.texts().front();
    EXPECT_TRUE(readError.startsWith("Cannot read " + qpath(listFile) + ": "))
        << readError.toStdString();
    readError.chop(1); // the full stop the box adds
    setRow(2, "Typed", qpath(dir / "acc"));

    for (const char* button : {"BtnConferma", "BtnAttiva"}) {
        dialogs.clear();
        selectRow(2);
        click(button);
        EXPECT_EQ(dialogs.texts(), QStringList{readError + ". The list is kept as it is."})
            << button;
        EXPECT_TRUE(window->isVisible());
    }
    fs::permissions(listFile, fs::perms::owner_read);
    EXPECT_EQ(listText(), original);
    EXPECT_FALSE(fs::exists(config)); // Select did not touch the alias either
}

TEST_F(EnvtoolTest, RewritesKeepTheModeAndWriteThroughLinks) {
    fs::create_directories(dir / "acc");
    fs::create_directories(dir / "shared");
    std::string line = "Accounts#" + (dir / "acc").string() + "\r\n";
    writeList(line);
    fs::permissions(listFile, fs::perms(0600));
    start();
    click("BtnConferma");
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(listText(), line + emptyLines(9));
    EXPECT_EQ(fileMode(listFile), 0600);

    // The list and the configuration as links to shared files: the files
    // they point at get the new text, and the links stay.
    fs::path sharedList = dir / "shared" / "list.txt";
    fs::path sharedConfig = dir / "shared" / "engine.conf";
    fs::rename(listFile, sharedList);
    fs::create_symlink("../shared/list.txt", listFile);
    std::ofstream(sharedConfig) << "[drives]\nA = /media/floppy\n";
    fs::create_symlink(sharedConfig, config);
    start();
    selectRow(1);
    dialogs.clear();
    click("BtnAttiva");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Alias delete :  codice [ 2], aborted.",
                                            "Select path tables [ Accounts in " +
                                                qpath(dir / "acc") + " ], successfull."}));
    EXPECT_TRUE(fs::is_symlink(listFile));
    EXPECT_TRUE(fs::is_symlink(config));
    EXPECT_EQ(fileText(sharedList), line + emptyLines(9));
    EXPECT_NE(fileText(sharedConfig).find("path = " + (dir / "acc").string()), std::string::npos);
    EXPECT_EQ(fileMode(sharedList), 0600);
}

TEST_F(EnvtoolTest, AWriteProtectedListIsAnErrorAndStays) {
    SKIP_AS_ROOT();
    std::string original = emptyLines(10);
    writeList(original);
    fs::permissions(listFile, fs::perms(0444));
    start();
    click("BtnConferma");
    // The system's reason, in the language of the locale the tests run in.
    EXPECT_EQ(dialogs.texts(),
              QStringList{"Cannot write " + qpath(listFile) + ": it is write-protected: " +
                          QString::fromStdString(std::strerror(EACCES)) + "."});
    EXPECT_EQ(listText(), original);
    EXPECT_EQ(fileMode(listFile), 0444);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EnvtoolTest, AStrayLineInTheConfigurationIsSaidOnceAndTheRestServes) {
    fs::create_directories(dir / "acc");
    std::ofstream(config) << "hello\n[drives]\nA = " << (dir / "floppy").string() << "\n";
    writeList("Accounts#" + (dir / "acc").string() + "\r\n");
    start();
    EXPECT_EQ(dialogs.texts(), QStringList{"Engine configuration " + qpath(config) +
                                           ", line 1: \"hello\" is neither a [section] nor a "
                                           "\"key = value\" line; the line is ignored."});
    // The directory is there: no question, no error, and the alias is set.
    selectRow(1);
    dialogs.clear();
    click("BtnAttiva");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Alias delete :  codice [ 2], aborted.",
                                            "Select path tables [ Accounts in " +
                                                qpath(dir / "acc") + " ], successfull."}));
    EXPECT_EQ(aliasPath(), (dir / "acc").string());
    EXPECT_EQ(fileText(config).substr(0, 6), "hello\n"); // the rewrite keeps the line
}

TEST_F(EnvtoolTest, ListsFromOtherSystemsAreReadAndWrittenBackInUtf8) {
    std::vector<fs::path> dirs = {dir / "one", dir / "two", dir / "tr\xc3\xa8s"};
    for (const fs::path& d : dirs)
        fs::create_directories(d);
    // CR alone, CR CR LF, and a description in Windows-1252 ("Contabilit\xe0").
    writeList("One#" + dirs[0].string() + "\rTwo#" + dirs[1].string() + "\r\r\n" +
              "Contabilit\xe0#" + dir.string() + "/tr\xe8s\r\n");
    start();
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(grid()->cell(2, 1), qpath(dirs[0]));
    EXPECT_EQ(grid()->cell(2, 2), qpath(dirs[1]));
    EXPECT_EQ(grid()->cell(1, 3), QString::fromUtf8("Contabilit\u00e0"));
    EXPECT_EQ(grid()->cell(2, 3), qpath(dirs[2]));
    click("BtnConferma");
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(listText(), "One#" + dirs[0].string() + "\r\nTwo#" + dirs[1].string() +
                              "\r\nContabilit\xc3\xa0#" + dirs[2].string() + "\r\n" +
                              emptyLines(7));
}

TEST_F(EnvtoolTest, ARelativePathIsStoredInTheAliasAsAWholePath) {
    fs::create_directories(dir / "tables");
    fs::path before = fs::current_path();
    fs::current_path(dir);
    writeList("Here#tables\r\n");
    start();
    selectRow(1);
    click("BtnAttiva");
    fs::current_path(before);
    EXPECT_EQ(aliasPath(), (dir / "tables").string());
    EXPECT_EQ(listText(), "Here#tables\r\n" + emptyLines(9)); // the list keeps what was typed
}
