#include "support/EditorWorkspace.h"

#include "editors/Man_Archivi.h"
#include "editors/Man_Indici.h"
#include "editors/Man_Prodotti.h"
#include "shell/Pgm_Logo.h"
#include "ui/DbGrid.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using engine::dsBrowse;
using engine::dsEdit;
using engine::dsInsert;

// What a user does with the keys and the mouse that the windows must not
// take for something else: Enter and Escape, a refused move in the grid,
// Cancel over a refused value, a button pressed by its accelerator.
class KeysAndRefusals : public EditorWorkspace {
protected:
    void openIndexEditor(const std::string& table) {
        addBaseTable(table, "Customers");
        open(*Man_Archivi);
        Man_Indici->TableName = table;
        Man_Indici->TableDescription = "Customers";
        open(*Man_Indici);
        // Focus moves between its controls only in the active window.
        ASSERT_TRUE(QTest::qWaitForWindowActive(Man_Indici));
    }
    // Gives a box the focus, as a click into it does.
    static QLineEdit* focus(QWidget& window, const char* name) {
        auto* box = control<QLineEdit>(window, name);
        box->setFocus(Qt::MouseFocusReason);
        return box;
    }
    static void key(QWidget& window, const char* name, Qt::Key key) {
        QTest::keyClick(focus(window, name), key);
        QApplication::processEvents();
    }
    // A real click: the button takes the focus from the box being typed in.
    static void press(QWidget& window, const char* button) {
        QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
    }
    static void clickRow(ui::DbGrid& grid, int row) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.visualRect(grid.model()->index(row, 1)).center());
    }
    static QList<int> highlighted(ui::DbGrid& grid) {
        QList<int> rows;
        for (const QModelIndex& index : grid.selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    }
};

TEST_F(KeysAndRefusals, EnterAndEscapeNeitherStoreNorDropNorClose) {
    open(*Man_Prodotti);
    TMan_Prodotti& applications = *Man_Prodotti;
    for (QPushButton* button : applications.findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault())
            << button->objectName().toStdString();
    click(applications, "BtnInsert");
    type(applications, "EditTMSUFF", "ve");
    key(applications, "EditTMSUFF", Qt::Key_Return);
    key(applications, "EditTMDESC", Qt::Key_Enter);
    key(applications, "EditTMDESC", Qt::Key_Escape);
    key(applications, "EditTMSUFF", Qt::Key_Escape);
    EXPECT_TRUE(applications.isVisible());
    EXPECT_EQ(applications.Prod.State(), dsInsert);
    EXPECT_TRUE(applicationCodes().empty());
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    click(applications, "BtnUscita");

    // In the index editor Enter in a box is not "&1=Insert".
    openIndexEditor("CLIENTI");
    click(*Man_Indici, "BtnInsert");
    type(*Man_Indici, "EditTMNFLD", "byname");
    key(*Man_Indici, "EditTMNFLD", Qt::Key_Return);
    key(*Man_Indici, "EditTMNFLD", Qt::Key_Escape);
    EXPECT_TRUE(Man_Indici->isVisible());
    EXPECT_EQ(Man_Indici->Index.State(), dsInsert);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_TRUE(rows("C").empty());
    click(*Man_Indici, "BtnUscita");

    // The About box ends through its button only.
    open(*Pgm_Logo);
    QTest::keyClick(Pgm_Logo, Qt::Key_Escape);
    QTest::keyClick(Pgm_Logo, Qt::Key_Return);
    EXPECT_TRUE(Pgm_Logo->isVisible());
    Pgm_Logo->BtnAvvio->click();
    EXPECT_FALSE(Pgm_Logo->isVisible());
}

TEST_F(KeysAndRefusals, GridHighlightStaysOnTheRowWhenAMoveIsRefused) {
    addApplication("AN", "Registry");
    addApplication("FA", "Invoices");
    addApplication("VE", "Sales");
    open(*Man_Prodotti);
    TMan_Prodotti& applications = *Man_Prodotti;
    auto* grid = control<ui::DbGrid>(applications, "TabGrid");
    ASSERT_EQ(grid->gridModel().currentRow(), 0);
    click(applications, "BtnEdit");
    type(applications, "EditTMDESC", "");

    clickRow(*grid, 1);
    EXPECT_EQ(boxes.texts(), QStringList{"Error. Application, is missing."});
    EXPECT_EQ(applications.Prod.State(), dsEdit);
    EXPECT_EQ(applications.Prod.FieldByName("TMSUFF").AsString(), "AN");
    EXPECT_EQ(highlighted(*grid), QList<int>{0});
    EXPECT_EQ(grid->currentIndex().row(), 0);

    // The same row again: the move is tried again, and refused again.
    clickRow(*grid, 1);
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(highlighted(*grid), QList<int>{0});

    type(applications, "EditTMDESC", "Registry office");
    clickRow(*grid, 1);
    EXPECT_EQ(boxes.shown().size(), 2u) << lastBox().toStdString();
    EXPECT_EQ(applications.Prod.State(), dsBrowse);
    EXPECT_EQ(applications.Prod.FieldByName("TMSUFF").AsString(), "FA");
    EXPECT_EQ(highlighted(*grid), QList<int>{1});
}

TEST_F(KeysAndRefusals, CancelDropsWhatIsTypedWithoutStoringIt) {
    openIndexEditor("CLIENTI");
    TMan_Indici& indexes = *Man_Indici;
    click(indexes, "BtnInsert");
    type(indexes, "EditTMNFLD", "BYCODE");
    focus(indexes, "EditTMSIZE");
    QTest::keyClicks(control<QLineEdit>(indexes, "EditTMSIZE"), "abc");
    press(indexes, "BtnCancel");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(indexes.Index.State(), dsBrowse);
    EXPECT_EQ(text(indexes, "EditTMSIZE"), "");
    EXPECT_TRUE(rows("C").empty());

    // Nothing is left over for the next showing either.
    click(indexes, "BtnUscita");
    open(indexes);
    click(indexes, "BtnInsert");
    press(indexes, "BtnCancel");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(indexes.Index.State(), dsBrowse);
}

TEST_F(KeysAndRefusals, ButtonByItsAcceleratorShowsOneErrorBox) {
    openIndexEditor("CLIENTI");
    TMan_Indici& indexes = *Man_Indici;
    click(indexes, "BtnInsert");
    type(indexes, "EditTMNFLD", "BYCODE");
    type(indexes, "EditTMDESC", "CODE");
    ASSERT_TRUE(focus(indexes, "EditTMSIZE")->hasFocus());
    QTest::keyClicks(control<QLineEdit>(indexes, "EditTMSIZE"), "99999");

    // Real boxes, as the program shows them: an open box has the focus.
    ui::Dialogs* scripted = ui::setDialogs(nullptr);
    QStringList shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text();
            box->done(QMessageBox::Ok);
        }
    });
    closer.start(5);
    auto* insert = control<QPushButton>(indexes, "BtnInsert");
    QTest::keyClick(&indexes, Qt::Key_1, Qt::AltModifier);
    // The accelerator presses the button and lets it go a moment later.
    for (int wait = 0; wait < 200 && (shown.isEmpty() || insert->isDown()); ++wait)
        QTest::qWait(10);
    QTest::qWait(50);
    closer.stop();
    ui::setDialogs(scripted);

    ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
    EXPECT_TRUE(shown.front().contains("TMSIZE")) << shown.front().toStdString();
    EXPECT_EQ(indexes.Index.State(), dsInsert);
    EXPECT_TRUE(rows("C").empty());
}
