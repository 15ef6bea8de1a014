#include "EnvtoolFixture.h"

#include "engine/base/EngineError.h"
#include "engine/config/Engine.h"

#include <QLabel>

namespace fs = std::filesystem;

namespace {

// The alias as a program started afterwards sees it.
std::optional<engine::AliasInfo> dbzetSeenByAnotherEngine() {
    engine::Engine other;
    other.init();
    try {
        return other.alias("DBZET");
    } catch (const engine::EngineError&) {
        return std::nullopt;
    }
}

} // namespace

TEST_F(EnvtoolTest, SelectAbortsWithoutASelectionOrAnExistingDirectory) {
    fs::create_directories(dir / "parent");
    std::string original = "Empty path#\r\nNew#" + (dir / "parent" / "new").string() + "\r\nDeep#" +
                           (dir / "none" / "deeper").string() + "\r\n";
    writeList(original);
    start();
    const QString aborted = "Select path tables, aborted.";

    click("BtnAttiva");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown().front().text, aborted);
    EXPECT_EQ(dialogs.shown().front().caption, "Path of alias");
    EXPECT_EQ(dialogs.shown().front().icon, ui::BoxIcon::None);
    EXPECT_EQ(dialogs.shown().front().buttonTexts(), QStringList{"OK"});

    // An empty path: nothing to create, nothing asked.
    selectRow(1);
    EXPECT_EQ(window->SelectedRow, 1);
    EXPECT_EQ(window->findChild<QLabel*>("LabAmbiente")->text(), "Empty path");
    dialogs.clear();
    click("BtnAttiva");
    EXPECT_EQ(dialogs.texts(), QStringList{aborted});

    // A missing directory, creation refused.
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(window->SelectedRow, 2);
    EXPECT_EQ(window->findChild<QLabel*>("LabAmbiente")->text(), "New");
    dialogs.clear();
    dialogs.answer(ui::Answer::Cancel);
    click("BtnAttiva");
    QString question =
        "Confirm creation of new directory : [" + qpath(dir / "parent" / "new") + "]";
    EXPECT_EQ(dialogs.texts(), (QStringList{question, aborted}));
    const ui::DialogBox& confirm = dialogs.shown().front();
    EXPECT_EQ(confirm.caption, "Confirm");
    EXPECT_EQ(confirm.icon, ui::BoxIcon::Question);
    EXPECT_EQ(confirm.buttonTexts(), (QStringList{"&Yes", "Cancel"}));
    EXPECT_FALSE(fs::exists(dir / "parent" / "new"));

    // Creation makes one level only: with the parent missing it fails.
    selectRow(3);
    dialogs.clear();
    dialogs.answer(ui::Answer::Yes);
    click("BtnAttiva");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Confirm creation of new directory : [" +
                                                qpath(dir / "none" / "deeper") + "]",
                                            aborted}));
    EXPECT_FALSE(fs::exists(dir / "none"));

    EXPECT_EQ(dialogs.unusedAnswers(), 0u);
    EXPECT_FALSE(dbzetSeenByAnotherEngine());
    EXPECT_FALSE(fs::exists(config));
    EXPECT_EQ(listText(), original);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EnvtoolTest, SelectCreatesTheDirectoryAndTheAliasThenWritesTheList) {
    fs::path target = dir / "Accounts data";
    start();
    // Typed in as the user does: a key starts the edit, Tab moves on, and the
    // button reads the cell while its editor is still open.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualItemRect(grid()->item(1, 1)).center());
    type("Accounts");
    press(Qt::Key_Tab);
    type(qpath(target));
    ASSERT_EQ(grid()->cell(1, 1), "Accounts");
    ASSERT_EQ(grid()->cell(2, 1), qpath(target));
    EXPECT_EQ(window->SelectedRow, 1);

    // The alias does not exist yet: its delete fails with code 2 and the work goes on.
    dialogs.answer(ui::Answer::Yes);
    click("BtnAttiva");
    EXPECT_EQ(
        dialogs.texts(),
        (QStringList{"Confirm creation of new directory : [" + qpath(target) + "]",
                     "Alias delete :  codice [ 2], aborted.",
                     "Select path tables [ Accounts in " + qpath(target) + " ], successfull."}));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(window->EngineResult, 0);
    EXPECT_EQ(window->ErrorCode, 0);
    EXPECT_TRUE(window->Done);
    EXPECT_EQ(listText(), "Accounts#" + target.string() + "\r\n" + emptyLines(9));
    EXPECT_FALSE(window->isVisible());

    std::optional<engine::AliasInfo> alias = dbzetSeenByAnotherEngine();
    ASSERT_TRUE(alias);
    EXPECT_EQ(alias->driver, "DBASE");
    EXPECT_EQ(alias->path, target.string());
}

TEST_F(EnvtoolTest, SelectMovesAnExistingAliasAndStaysWhenTheListIsRefused) {
    fs::create_directories(dir / "old");
    fs::create_directories(dir / "new");
    {
        engine::Engine before;
        before.init();
        ASSERT_EQ(before.addAlias("DBZET", "DBASE", "PATH:" + (dir / "old").string()), 0);
    }
    std::string original = "New#" + (dir / "new").string() + "\r\nNo path#\r\n";
    writeList(original);
    start();
    selectRow(1);
    click("BtnAttiva");
    // The alias moved; then the save found row 2 without a path.
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Select path tables [ New in " + qpath(dir / "new") + " ], successfull.",
                           "Path tables [ 2], is missing or not exist."}));
    EXPECT_EQ(dialogs.shown().back().icon, ui::BoxIcon::Stop);
    EXPECT_EQ(dbzetSeenByAnotherEngine()->path, (dir / "new").string());
    EXPECT_EQ(listText(), original);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EnvtoolTest, AFailedAliasCreationIsShownAndNothingIsWritten) {
    fs::create_directories(dir / "acc");
    // An engine configuration that cannot be replaced: a directory in its place.
    fs::create_directories(config / "in the way");
    std::string original = "Accounts#" + (dir / "acc").string() + "\r\n";
    writeList(original);
    start();
    selectRow(1);
    click("BtnAttiva");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Alias delete :  codice [ 2], aborted.",
                                            "Alias creation : code [ 99], aborted."}));
    EXPECT_FALSE(window->Done);
    EXPECT_EQ(window->ErrorCode, 99);
    EXPECT_EQ(listText(), original);
    EXPECT_TRUE(window->isVisible());
}
