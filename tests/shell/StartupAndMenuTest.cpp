#include "ShellWorkspace.h"
#include "support/FileBytes.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/Layouts.h"
#include "editors/Man_Archivi.h"
#include "editors/Man_Prodotti.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "shell/Brevon_Logo.h"
#include "shell/Menu_Vadem.h"
#include "shell/Pgm_Logo.h"
#include "shell/Startup.h"
#include "ui/ModalWindows.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <thread>

using StartUp = ShellWorkspace;
using MenuWiring = ShellWorkspace;

namespace {

// Closes a table in the middle of an append batch: the engine drops the
// batch's row and reports it. Returns the rows the table kept.
std::uint64_t dropABatch(const std::filesystem::path& file) {
    {
        auto table =
            engine::createTable(file, {{"NAME", engine::FieldType::Character, 10, 0}}, true);
        table->beginAppendBatch();
        table->append({engine::Value("dropped")});
    }
    return engine::openTable(file)->rowCount();
}

} // namespace

TEST_F(StartUp, WorkTheEngineDropsIsShownInTheErrorBoxOnTheProgramsThread) {
    start();
    EXPECT_EQ(dropABatch(tables / "BATCH.DBF"), 0u);
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::DialogBox& box = boxes.shown().front();
    EXPECT_EQ(box.caption, ApplicationTitle);
    EXPECT_EQ(box.icon, ui::BoxIcon::Stop);
    EXPECT_EQ(box.buttonTexts(), QStringList{"OK"});
    EXPECT_EQ(box.text, "Table " + QString::fromStdString((tables / "BATCH.DBF").string()) +
                            " was closed in the middle of a batch; the batch's rows were not "
                            "stored.")
        << box.text.toStdString();

    // No box can be shown from another thread, nor once the program has
    // ended: the report goes to the standard error stream.
    boxes.clear();
    testing::internal::CaptureStderr();
    std::thread([&] { dropABatch(tables / "THREAD.DBF"); }).join();
    destroyProgram();
    dropABatch(tables / "ENDED.DBF");
    std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(boxes.shown().empty());
    for (const char* table : {"THREAD.DBF", "ENDED.DBF"})
        EXPECT_NE(stderrText.find((tables / table).string() + " was closed in the middle"),
                  std::string::npos)
            << stderrText;
}

TEST_F(StartUp, ModuleAndWindowsAreCreatedOnceInOrder) {
    start();
    EXPECT_EQ(ui::createdWindows(),
              (QStringList{"Dm_Vadem", "Menu_Vadem", "Pgm_Logo", "Man_Archivi", "QRP_Archivi",
                           "Man_Indici", "Crt_Archivi", "Ric_Gen", "Fun_Operazioni",
                           "QRP_PrtArchivi", "Man_Installato", "Cpy_Archivi", "Man_Prodotti"}));
    ASSERT_NE(Dm_Vadem, nullptr);
    EXPECT_EQ(Dm_Vadem->DictPath, system.string());
    for (engine::TDataSet* dataSet : Dm_Vadem->DictionaryDataSets)
        EXPECT_FALSE(dataSet->Active()) << dataSet->Name;
    EXPECT_EQ(Man_Archivi->windowTitle(), "Base-Tables");
    EXPECT_EQ(Man_Prodotti->windowTitle(), "Application");
    EXPECT_TRUE(Man_Archivi->isModal());

    // The menu window: caption, fixed client area, buttons.
    EXPECT_EQ(Menu_Vadem->windowTitle(), "Schedax");
    EXPECT_EQ(Menu_Vadem->Panel1->size(), QSize(632, 59));
    EXPECT_EQ(Menu_Vadem->minimumSize(), Menu_Vadem->maximumSize());
    EXPECT_FALSE(Menu_Vadem->windowFlags() & Qt::WindowMaximizeButtonHint);
    struct Expected {
        QAbstractButton* button;
        const char* name;
        const char* caption;
        int left;
    };
    for (const Expected& e : {Expected{Menu_Vadem->Btn01, "Btn01", "&Restore Base", 5},
                              Expected{Menu_Vadem->Btn05, "Btn05", "&Application", 109},
                              Expected{Menu_Vadem->Btn02, "Btn02", "&Base-Tables", 213},
                              Expected{Menu_Vadem->Btn04, "Btn04", "&Installed", 317},
                              Expected{Menu_Vadem->Btn03, "Btn03", "&Function", 421},
                              Expected{Menu_Vadem->BtnClose, "BtnClose", "Cl&ose", 525}}) {
        EXPECT_EQ(Menu_Vadem->findChild<QAbstractButton*>(e.name), e.button) << e.name;
        EXPECT_EQ(e.button->text(), e.caption);
        EXPECT_EQ(e.button->geometry(), QRect(e.left, 5, 100, 50)) << e.name;
        EXPECT_EQ(e.button->focusPolicy(), Qt::NoFocus) << e.name;
        // Each with its picture above the caption.
        EXPECT_FALSE(e.button->icon().isNull()) << e.name;
        auto* tool = qobject_cast<QToolButton*>(e.button);
        EXPECT_TRUE(tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) << e.name;
    }
    EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());

    // The main menu and its items, none with a shortcut.
    QStringList items;
    for (QAction* action : Menu_Vadem->Restore1->actions()) {
        items << (action->isSeparator() ? "-" : action->text());
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    EXPECT_EQ(items, (QStringList{"Restore Base-Tables", "-", "Application", "Base-Tables", "-",
                                  "Installed", "-", "Function"}));
    for (const char* name : {"RestoreBaseTables1", "Application1", "BaseTables1", "Installed1",
                             "Function1", "Prodotto"})
        EXPECT_NE(Menu_Vadem->findChild<QAction*>(name), nullptr) << name;
    EXPECT_EQ(Menu_Vadem->findChild<QMenu*>("Restore1"), Menu_Vadem->Restore1);
    EXPECT_NE(Menu_Vadem->findChild<QMenuBar*>("Main_anabas"), nullptr);
    QStringList bar;
    for (QAction* action : Menu_Vadem->menuBar()->actions())
        bar << action->text();
    EXPECT_EQ(bar, (QStringList{"Main", "About"}));

    // The About box carries the application title; the splash its sizes.
    EXPECT_EQ(Pgm_Logo->findChild<QLabel*>("NomeProdotto")->text(), "Schedax - Brevon \u00AE");
    EXPECT_EQ(Pgm_Logo->findChild<QLabel*>("RagSoc")->text(), "Brevon \u00AE");
    // Telephone and fax, each a label of its own.
    for (const char* line : {"LabTelefono", "LabFax"}) {
        auto* label = Pgm_Logo->findChild<QLabel*>(line);
        ASSERT_NE(label, nullptr) << line;
        EXPECT_FALSE(label->text().contains("Tel") && label->text().contains("Fax")) << line;
    }
    EXPECT_EQ(Pgm_Logo->findChild<QLabel*>("Logo")->size(), QSize(263, 154));
    EXPECT_EQ(Pgm_Logo->windowTitle(), "Informazioni aggiuntive");
    EXPECT_EQ(Pgm_Logo->size(), QSize(602, 251));
    EXPECT_EQ(Pgm_Logo->BtnAvvio->toolTip(), "Hit here.");
    TBrevon_Logo splash;
    EXPECT_EQ(splash.size(), QSize(603, 195));
    EXPECT_EQ(splash.BtnAvvio->text(), "loading...");
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(StartUp, MissingAliasIsShownAndNothingStarts) {
    workspace->writeConfig(false);
    EXPECT_FALSE(ui::showingErrors(createProgram));
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::DialogBox& box = boxes.shown().front();
    EXPECT_EQ(box.caption, "Schedax - Brevon \u00AE");
    EXPECT_EQ(box.icon, ui::BoxIcon::Stop);
    EXPECT_TRUE(box.text.contains("DBZET")) << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith('.'));
    EXPECT_EQ(Menu_Vadem, nullptr);
    EXPECT_EQ(ui::createdWindows(), QStringList{});
}

TEST_F(MenuWiring, ButtonsAndItemsOpenTheirWindowsAndDisableRestore) {
    // The editors open the dictionary tables when they are shown.
    dictionary::createDictionary(system);
    start();
    // The About box leaves the restore button alone and closes on its button.
    EXPECT_EQ(closingModal([] { Menu_Vadem->Prodotto->trigger(); }), "Pgm_Logo");
    EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
    bool accepted = false;
    QObject::connect(Pgm_Logo, &QDialog::accepted, [&] { accepted = true; });
    QTimer::singleShot(0, [] { Pgm_Logo->BtnAvvio->click(); });
    ui::showModal(*Pgm_Logo);
    EXPECT_TRUE(accepted);

    struct Route {
        QAbstractButton* button;
        QAction* item;
        const char* window;
    };
    for (const Route& r : {Route{Menu_Vadem->Btn05, Menu_Vadem->Application1, "Man_Prodotti"},
                           Route{Menu_Vadem->Btn02, Menu_Vadem->BaseTables1, "Man_Archivi"},
                           Route{Menu_Vadem->Btn04, Menu_Vadem->Installed1, "Man_Installato"},
                           Route{Menu_Vadem->Btn03, Menu_Vadem->Function1, "Fun_Operazioni"}}) {
        EXPECT_EQ(closingModal([&] { r.button->click(); }), r.window);
        EXPECT_EQ(closingModal([&] { r.item->trigger(); }), r.window);
    }
    EXPECT_FALSE(Menu_Vadem->Btn01->isEnabled());
    // The menu item still asks for the restore.
    Menu_Vadem->RestoreBaseTables1->trigger();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown().front().text, "Restore Base-Tables.");

    Menu_Vadem->show();
    Menu_Vadem->BtnClose->click();
    EXPECT_FALSE(Menu_Vadem->isVisible());
}

TEST_F(MenuWiring, ClosingOneToolWindowDisablesRestoreForGood) {
    start();
    closingModal([] { Menu_Vadem->Btn02->click(); });
    EXPECT_FALSE(Menu_Vadem->Btn01->isEnabled());
    closingModal([] { Menu_Vadem->Prodotto->trigger(); });
    EXPECT_FALSE(Menu_Vadem->Btn01->isEnabled());
}

TEST_F(StartUp, AStrayConfigurationLineIsSaidOnceAndTheProgramStarts) {
    std::string written = support::readBytes(config);
    std::ofstream(config, std::ios::trunc) << "hello\n" << written;
    start();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown().front().icon, ui::BoxIcon::Stop);
    EXPECT_EQ(boxes.texts().front().toStdString(),
              "Engine configuration " + config.string() +
                  ", line 1: \"hello\" is neither a [section] nor a \"key = value\" line; the "
                  "line is ignored.");
    EXPECT_NE(Menu_Vadem, nullptr);
    EXPECT_EQ(ui::createdWindows().size(), 13);
}
