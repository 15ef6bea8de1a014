#include "EnvtoolFixture.h"

namespace fs = std::filesystem;

TEST_F(EnvtoolTest, RefusedSavesShowTheFirstBadRowAndLeaveTheFileAlone) {
    fs::create_directories(dir / "acc");
    std::ofstream(dir / "plain.txt") << "not a directory";
    std::string acc = (dir / "acc").string();
    std::string original = "Accounts#" + acc + "\r\n/TABLES\r\n";
    writeList(original);
    start();
    QString good = qpath(dir / "acc");

    auto expectRefused = [&](const QString& error) {
        dialogs.clear();
        click("BtnConferma");
        ASSERT_EQ(dialogs.shown().size(), 1u) << error.toStdString();
        const ui::DialogBox& box = dialogs.shown().front();
        EXPECT_EQ(box.text, error);
        EXPECT_EQ(box.caption, "Path of alias");
        EXPECT_EQ(box.icon, ui::BoxIcon::Stop);
        EXPECT_EQ(box.buttonTexts(), QStringList{"OK"});
        EXPECT_EQ(listText(), original);
        EXPECT_TRUE(window->isVisible());
    };
    // The line without "#" loaded into row 2 has a path but no description.
    expectRefused("Path description [ 2], is missing.");
    setRow(2, "Second", good);

    struct Case {
        int row;
        QString description, path;
        QString error;
    };
    const Case cases[] = {
        {3, "Tables", qpath(dir / "missing"), "Path tables [ 3], is missing or not exist."},
        {3, "Tables", "", "Path tables [ 3], is missing or not exist."},
        {3, "Tables", qpath(dir / "plain.txt"), "Path tables [ 3], is missing or not exist."},
        // "#" sorts before ".", so no full stop is added
        {3, "Tables#2", good, "Path description [ 3], contains #"},
        {10, "Ten#", good, "Path description [ 10], contains #"},
    };
    for (const Case& c : cases) {
        setRow(c.row, c.description, c.path);
        expectRefused(c.error);
        setRow(c.row, "", "");
    }

    // Rows are checked in order: the "#" of row 4 is found before row 6's missing path.
    setRow(4, "Four#", good);
    setRow(6, "Six", "");
    dialogs.clear();
    click("BtnConferma");
    EXPECT_EQ(dialogs.texts(), QStringList{"Path description [ 4], contains #"});
    EXPECT_EQ(listText(), original);
}

TEST_F(EnvtoolTest, AListThatCannotBeReadStaysAndTheErrorIsShownAgain) {
    // A directory in the place of the list can be neither read nor replaced.
    fs::create_directories(listFile / "kept");
    start();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown().front().icon, ui::BoxIcon::Stop);
    EXPECT_TRUE(dialogs.texts().front().startsWith("Cannot read " + qpath(listFile)));

    dialogs.clear();
    click("BtnConferma");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.texts().front().startsWith("Cannot read " + qpath(listFile)) &&
                dialogs.texts().front().endsWith(" The list is kept as it is."))
        << dialogs.texts().front().toStdString();
    EXPECT_TRUE(fs::is_directory(listFile / "kept"));
    EXPECT_TRUE(window->isVisible());
    // No temporary file is left in the system directory.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "system"))
        ++entries;
    EXPECT_EQ(entries, 1u);
}
