#include "support/EditorWorkspace.h"

#include "editors/Man_Prodotti.h"
#include "ui/DbGrid.h"

#include <QLineEdit>
#include <QTest>

using engine::dsBrowse;
using engine::dsEdit;
using engine::dsInsert;

class ApplicationEditor : public EditorWorkspace {
protected:
    TMan_Prodotti& window() { return *Man_Prodotti; }

    void expectEnabled(std::initializer_list<const char*> names, bool expected, const char* state) {
        for (const char* name : names)
            EXPECT_EQ(enabled(window(), name), expected) << name << " while " << state;
    }
    QStringList gridRow(int row) {
        auto& model = control<ui::DbGrid>(window(), "TabGrid")->gridModel();
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.data(model.index(row, column), Qt::DisplayRole).toString();
        return cells;
    }
};

TEST_F(ApplicationEditor, LayoutOfTheWindow) {
    addApplication("VE", "Sales");
    open(window());
    struct Box {
        const char* name;
        int top, width, maxLength;
    };
    for (const Box& box : {Box{"EditTMSUFF", 58, 30, 2}, Box{"EditTMDESC", 87, 220, 35},
                           Box{"EditTMNLIB", 115, 120, 10}, Box{"EditTMNPGM", 144, 120, 10}}) {
        auto* edit = control<QLineEdit>(window(), box.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->geometry().topLeft(), QPoint(125, box.top)) << box.name;
        EXPECT_EQ(edit->width(), box.width) << box.name;
        EXPECT_EQ(edit->maxLength(), box.maxLength) << box.name;
    }
    EXPECT_EQ(control<QWidget>(window(), "DbRead")->geometry(), QRect(12, 8, 80, 25));
    EXPECT_EQ(control<QWidget>(window(), "TabGrid")->geometry(), QRect(12, 195, 543, 139));
    EXPECT_EQ(control<QWidget>(window(), "BtnUscita")->geometry().size(), QSize(85, 25));
    EXPECT_EQ(control<QWidget>(window(), "BtnInsert")->geometry().size(), QSize(85, 20));

    // The order in which Tab walks the controls.
    const QStringList wanted{"EditTMSUFF", "EditTMDESC", "EditTMNLIB", "EditTMNPGM",
                             "BtnUscita",  "BtnInsert",  "BtnEdit",    "BtnPost",
                             "BtnCancel",  "BtnDelete",  "DbRead",     "TabGrid"};
    QStringList order;
    QWidget* widget = control<QWidget>(window(), "EditTMSUFF");
    for (int step = 0; step < 200 && order.size() < wanted.size(); ++step) {
        if (wanted.contains(widget->objectName()) && !order.contains(widget->objectName()))
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order, wanted);

    auto& model = control<ui::DbGrid>(window(), "TabGrid")->gridModel();
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column)
        titles << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles,
              (QStringList{"Ext.", "Application", "Directory", "Program", "Installed", "Date"}));
    EXPECT_EQ(gridRow(0), (QStringList{"VE", "Sales", "", "", "    No", ""}));
}

TEST_F(ApplicationEditor, FollowsTheStateTable) {
    addApplication("VE", "Sales");
    open(window());
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
    expectEnabled({"DbRead", "TabGrid", "BtnInsert", "BtnEdit"}, true, "browsing");
    expectEnabled({"BtnPost", "BtnCancel", "BtnDelete", "EditTMSUFF"}, false, "browsing");
    EXPECT_FALSE(windowColoured(window(), "EditTMSUFF"));

    click(window(), "BtnInsert");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:insert]");
    expectEnabled({"DbRead", "TabGrid", "BtnEdit", "BtnPost", "BtnDelete"}, false, "inserting");
    expectEnabled({"BtnInsert", "BtnCancel", "EditTMSUFF"}, true, "inserting");
    EXPECT_TRUE(windowColoured(window(), "EditTMSUFF"));
    EXPECT_EQ(focused(window()), "EditTMSUFF");
    EXPECT_EQ(window().Prod.FieldByName("TMBIST").AsString(), "False");
    EXPECT_TRUE(window().Prod.FieldByName("TMDIST").IsNull());

    click(window(), "BtnCancel");
    click(window(), "BtnEdit");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:edit]");
    expectEnabled({"DbRead", "BtnInsert", "BtnEdit", "EditTMSUFF"}, false, "editing");
    expectEnabled({"TabGrid", "BtnPost", "BtnCancel", "BtnDelete"}, true, "editing");
    EXPECT_FALSE(windowColoured(window(), "EditTMSUFF"));
    EXPECT_EQ(focused(window()), "EditTMDESC");
}

TEST_F(ApplicationEditor, ChecksInOrderAndStoresCodesInCapitals) {
    addApplication("VE", "Sales");
    open(window());
    click(window(), "BtnInsert");
    type(window(), "EditTMNLIB", "sales");
    click(window(), "BtnInsert");
    EXPECT_EQ(lastBox(), "Error. Extension, is missing.");
    EXPECT_EQ(focused(window()), "EditTMSUFF");
    EXPECT_EQ(window().Prod.State(), dsInsert);

    type(window(), "EditTMSUFF", "ve");
    EXPECT_EQ(text(window(), "EditTMSUFF"), "VE");
    click(window(), "BtnInsert");
    EXPECT_EQ(lastBox(), "Error. Application, is missing.");
    EXPECT_EQ(focused(window()), "EditTMDESC");
    EXPECT_EQ(text(window(), "EditTMNLIB"), "sales");

    type(window(), "EditTMDESC", "Sales again");
    click(window(), "BtnInsert");
    EXPECT_EQ(lastBox(), "Error. Try to key-duplicate.");
    EXPECT_EQ(focused(window()), "EditTMSUFF");
    EXPECT_EQ(boxes.shown().back().caption, "Schedax - Brevon \u00AE");
    EXPECT_EQ(applicationCodes(), std::vector<std::string>{"VE"});

    boxes.clear();
    type(window(), "EditTMSUFF", "ma");
    click(window(), "BtnInsert");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(applicationCodes(), (std::vector<std::string>{"MA", "VE"}));
    click(window(), "BtnCancel");

    // Editing never runs the duplicate check.
    click(window(), "BtnEdit");
    type(window(), "EditTMDESC", "Warehouse");
    click(window(), "BtnPost");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(window().Prod.State(), dsBrowse);

    // While editing, a click on another row of the grid stores the changes.
    click(window(), "BtnEdit");
    type(window(), "EditTMDESC", "Stores");
    auto* grid = control<ui::DbGrid>(window(), "TabGrid");
    int other = grid->gridModel().currentRow() == 0 ? 1 : 0;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(other, 1)).center());
    EXPECT_EQ(window().Prod.State(), dsBrowse);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(gridRow(1 - other).at(1), "Stores");
}

TEST_F(ApplicationEditor, UntouchedRowsClosingAndDeleting) {
    addApplication("VE", "Sales");
    addBaseTable("INVOICES", "Invoices", "VE");
    open(window());

    click(window(), "BtnInsert");
    click(window(), "BtnInsert");
    EXPECT_EQ(window().Prod.State(), dsInsert);
    EXPECT_EQ(applicationCodes().size(), 1u);

    type(window(), "EditTMSUFF", "ma");
    type(window(), "EditTMDESC", "Warehouse");
    click(window(), "BtnUscita");
    EXPECT_EQ(window().Prod.State(), dsBrowse);
    EXPECT_EQ(applicationCodes().size(), 1u);
    EXPECT_TRUE(boxes.shown().empty()) << "closing asks nothing";

    open(window());
    click(window(), "BtnEdit");
    type(window(), "EditTMDESC", "Changed");
    click(window(), "BtnDelete");
    EXPECT_EQ(lastBox(), "Extension delete : [VE] Changed");
    EXPECT_EQ(applicationCodes().size(), 1u);
    boxes.answer(ui::Answer::Yes);
    click(window(), "BtnDelete");
    EXPECT_TRUE(applicationCodes().empty());
    EXPECT_EQ(baseRow("INVOICES").application, "VE");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
}
