#include "EnvtoolFixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QToolButton>

namespace fs = std::filesystem;

TEST_F(EnvtoolTest, FirstStartCreatesTheListAndShowsTenNumberedRows) {
    ASSERT_FALSE(fs::exists(listFile));
    start();
    EXPECT_TRUE(fs::exists(listFile));
    EXPECT_EQ(listText(), "");
    EXPECT_EQ(window->PathListFile, qpath(listFile));
    EXPECT_EQ(window->AliasName, "DBZET");
    EXPECT_EQ(window->SelectedRow, 0);
    EXPECT_EQ(window->EngineResult, 0);

    EXPECT_EQ(window->objectName(), "Man_Ambienti");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Path of alias selection - Brevon \u00ae"));
    EXPECT_EQ(window->size(), QSize(574, 291));
    EXPECT_EQ(window->findChild<QLabel*>("Label2")->text(), "Select");
    EXPECT_EQ(window->findChild<QLabel*>("LabAmbiente")->text(), "");
    EXPECT_EQ(window->findChild<QToolButton*>("BtnConferma")->text(), "&Post");
    EXPECT_EQ(window->findChild<QToolButton*>("BtnConferma")->toolTip(), "Post path description.");
    EXPECT_EQ(window->findChild<QToolButton*>("BtnAttiva")->text(), "&Select");
    EXPECT_EQ(window->findChild<QToolButton*>("BtnAttiva")->toolTip(), "Select path tables. ");
    EXPECT_EQ(window->findChild<QAbstractButton*>("BottoneUscita")->text(), "Cl&ose");
    for (const char* name : {"Panel2", "ScrollBox", "Bevel1", "Bevel2", "Bevel3"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;

    StringGrid* cells = grid();
    EXPECT_EQ(cells->columnCount(), 3);
    EXPECT_EQ(cells->columnWidth(0), 20);
    EXPECT_EQ(cells->columnWidth(1), 200);
    EXPECT_EQ(cells->columnWidth(2), 300);
    EXPECT_EQ(cells->rowHeight(5), 22);
    EXPECT_EQ(cells->cell(0, 0), "");
    EXPECT_EQ(cells->cell(1, 0), "Description");
    EXPECT_EQ(cells->cell(2, 0), "Path tables");
    EXPECT_EQ(cells->cell(0, 1), "  1");
    EXPECT_EQ(cells->cell(0, 10), " 10");
    // Row 0 and column 0 can be neither selected nor edited.
    EXPECT_EQ(cells->item(0, 1)->flags(), Qt::NoItemFlags);
    EXPECT_EQ(cells->item(4, 0)->flags(), Qt::NoItemFlags);
    EXPECT_TRUE(cells->item(4, 2)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(cells->hasFocus());

    click("BtnConferma");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(listText(), emptyLines(10));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(EnvtoolTest, TheHeaderRowStaysInViewWhenTheLastRowsAreSelected) {
    start();
    StringGrid* cells = grid();
    for (int row : {9, 10, 1}) {
        selectRow(row);
        EXPECT_EQ(window->SelectedRow, row);
        // The row is wholly inside the viewport, below the header.
        QRect rowRect = cells->visualItemRect(cells->item(row, 2));
        EXPECT_TRUE(cells->viewport()->rect().contains(rowRect)) << row;
        QHeaderView* header = cells->horizontalHeader();
        ASSERT_TRUE(header->isVisible()) << row;
        EXPECT_EQ(header->height(), 22);
        EXPECT_LE(header->mapTo(cells, QPoint(0, header->height())).y(),
                  cells->viewport()->mapTo(cells, QPoint(0, 0)).y());
        EXPECT_EQ(header->model()->headerData(1, Qt::Horizontal).toString(), "Description");
        EXPECT_EQ(header->model()->headerData(2, Qt::Horizontal).toString(), "Path tables");
        EXPECT_EQ(header->sectionSize(0), 20);
    }
}

TEST_F(EnvtoolTest, LoadingSplitsAtTheFirstHashAndCountsMissingLinesAsEmpty) {
    fs::create_directories(dir / "B#C");
    std::string abc = "A#" + (dir / "B#C").string();
    // Mixed line ends, blanks kept, a line without "#", and a file of four lines.
    writeList(abc + "\n/TABLES\r\n\r\n  Blank # x ");
    start();
    StringGrid* cells = grid();
    EXPECT_EQ(cells->cell(1, 1), "A");
    EXPECT_EQ(cells->cell(2, 1), qpath(dir / "B#C"));
    EXPECT_EQ(cells->cell(1, 2), "");
    EXPECT_EQ(cells->cell(2, 2), "/TABLES");
    EXPECT_EQ(cells->cell(2, 3), "");
    EXPECT_EQ(cells->cell(1, 4), "  Blank ");
    EXPECT_EQ(cells->cell(2, 4), " x ");
    for (int row = 5; row <= 10; ++row)
        EXPECT_EQ(cells->cell(1, row) + cells->cell(2, row), "") << row;

    // Later activations (after a message box, say) do not reload the grid.
    cells->setCell(1, 1, "edited");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &activate);
    EXPECT_EQ(cells->cell(1, 1), "edited");
    cells->setCell(1, 1, "A");

    // Rows 2 and 4 stop the save; once cleared, "A#B#C" goes back as it was.
    setRow(2, "", "");
    setRow(4, "", "");
    click("BtnConferma");
    EXPECT_EQ(listText(), abc + "\r\n" + emptyLines(9));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(EnvtoolTest, PostWritesTenLinesAndOnlyCompleteRows) {
    fs::create_directories(dir / "acc");
    fs::create_directories(dir / "inv");
    std::string lines = "Contabilit\xc3\xa0 #" + (dir / "acc").string() + "\r\n\r\n\r\n" +
                        " Inventory#" + (dir / "inv").string() + "\r\n" + emptyLines(6) +
                        "line eleven#is not read\r\n";
    writeList(lines);
    start();
    EXPECT_EQ(grid()->cell(1, 1), QString::fromUtf8("Contabilit\u00e0 "));
    click("BtnConferma");
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(listText(), lines.substr(0, lines.find("line eleven")));
}
