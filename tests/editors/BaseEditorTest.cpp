#include "support/EditorWorkspace.h"

#include "editors/Man_Archivi.h"
#include "editors/Man_Indici.h"
#include "editors/Ric_Gen.h"
#include "operations/Crt_Archivi.h"
#include "reports/QRP_Archivi.h"
#include "shell/Menu_Vadem.h"
#include "shell/Startup.h"
#include "ui/DbGrid.h"
#include "ui/DbRadioGroup.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <map>
#include <set>

using engine::Date;
using engine::dsBrowse;
using engine::dsEdit;
using engine::dsInsert;

class BaseEditor : public EditorWorkspace {
protected:
    TMan_Archivi& window() { return *Man_Archivi; }

    void clickTab(int page) {
        QTabBar* bar = control<QTabWidget>(window(), "Tab_Distinta")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    int page() { return control<QTabWidget>(window(), "Tab_Distinta")->currentIndex(); }

    void goToTable(const std::string& name) {
        engine::TTable& base = window().Base;
        for (base.First(); !base.Eof(); base.Next())
            if (base.FieldByName("TMNPFM").AsString() == name)
                return;
        ADD_FAILURE() << "no base table " << name;
    }
    void goToField(int number) {
        engine::TTable& field = window().Field;
        for (field.First(); !field.Eof(); field.Next())
            if (field.FieldByName("TMNRIG").AsInteger() == number)
                return;
        ADD_FAILURE() << "no field row " << number;
    }
    // Types a field row into the pending insert.
    void fillField(const QString& name, const QString& description, const QString& size = "10") {
        type(window(), "EditTDNFLD", name);
        type(window(), "EditTDDESC", description);
        type(window(), "EditTDSIZE", size);
    }
    std::string fieldValue(const char* name) { return window().Field.FieldByName(name).AsString(); }
    void expectEnabled(std::initializer_list<const char*> names, bool expected, const char* state) {
        for (const char* name : names)
            EXPECT_EQ(enabled(window(), name), expected) << name << " while " << state;
    }
    void expectError(const QString& text, const char* focus) {
        ASSERT_FALSE(boxes.shown().empty());
        const ui::DialogBox& box = boxes.shown().back();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, ApplicationTitle);
        EXPECT_EQ(box.icon, ui::BoxIcon::Stop);
        EXPECT_EQ(box.buttonTexts(), QStringList{"OK"});
        EXPECT_EQ(focused(window()), focus) << text.toStdString();
    }
};

TEST_F(BaseEditor, MasterPageFollowsTheStateTable) {
    addBaseTable("CUSTOMERS", "Customers");
    open(window());

    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
    expectEnabled({"DbRead", "BtnRicerca", "BtnInsert", "BtnEdit"}, true, "browsing");
    expectEnabled({"BtnPost", "BtnCancel", "BtnDelete", "EditTBNPFM"}, false, "browsing");
    EXPECT_FALSE(windowColoured(window(), "EditTBNPFM"));
    EXPECT_EQ(text(window(), "EditTBNPFM"), "CUSTOMERS");

    click(window(), "BtnInsert");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:insert]");
    expectEnabled({"DbRead", "BtnRicerca", "BtnInsert", "BtnEdit", "BtnPost", "BtnDelete"}, false,
                  "inserting");
    expectEnabled({"BtnCancel", "EditTBNPFM"}, true, "inserting");
    EXPECT_TRUE(windowColoured(window(), "EditTBNPFM"));
    EXPECT_EQ(focused(window()), "EditTBNPFM");
    engine::TTable& base = window().Base;
    EXPECT_EQ(base.FieldByName("TMTIPO").AsString(), "A");
    EXPECT_EQ(base.FieldByName("TMDATA").AsDateTime(), Date::today());
    EXPECT_EQ(base.FieldByName("TMBCAR").AsString(), "False");
    EXPECT_EQ(base.FieldByName("TMTBAS").AsString(), "0");
    EXPECT_EQ(control<ui::DbRadioGroup>(window(), "EditTMTBAS")->itemIndex(), 0);
    EXPECT_FALSE(base.Modified()) << "presets are not changes";

    click(window(), "BtnCancel");
    EXPECT_EQ(base.State(), dsBrowse);
    EXPECT_EQ(text(window(), "EditTBNPFM"), "CUSTOMERS");

    click(window(), "BtnEdit");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:edit]");
    expectEnabled({"DbRead", "BtnRicerca", "BtnInsert", "BtnEdit", "EditTBNPFM"}, false, "editing");
    expectEnabled({"BtnPost", "BtnCancel", "BtnDelete"}, true, "editing");
    EXPECT_FALSE(windowColoured(window(), "EditTBNPFM"));
    EXPECT_EQ(focused(window()), "EditTBDESC");

    // Editing the base row itself leaves its date alone.
    type(window(), "EditTBDESC", "Customers of the shop");
    click(window(), "BtnPost");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
    EXPECT_EQ(baseRow("CUSTOMERS").description, "Customers of the shop");
    EXPECT_EQ(baseRow("CUSTOMERS").date, OldDate);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(BaseEditor, DetailPageFollowsTheStateTable) {
    addBaseTable("ORDERS", "Orders");
    addField("ORDERS", 1, "CODE", "Order code");
    open(window());
    clickTab(1);
    ASSERT_EQ(page(), 1);

    EXPECT_EQ(text(window(), "TbNome"), "ORDERS");
    EXPECT_EQ(text(window(), "StateRecord1"), "[mode:browse]");
    expectEnabled({"DbRead1", "DbDbaGrid", "BtnInsert1", "BtnEdit1"}, true, "browsing");
    expectEnabled({"BtnPost1", "BtnCancel1", "BtnDelete1", "EditTDNFLD", "EditTDNRIG"}, false,
                  "browsing");
    EXPECT_FALSE(windowColoured(window(), "EditTDNFLD"));

    click(window(), "BtnInsert1");
    EXPECT_EQ(text(window(), "StateRecord1"), "[mode:insert]");
    expectEnabled({"DbRead1", "DbDbaGrid", "BtnEdit1", "BtnPost1", "BtnDelete1", "EditTDNRIG"},
                  false, "inserting");
    expectEnabled({"BtnInsert1", "BtnCancel1", "EditTDNFLD"}, true, "inserting");
    EXPECT_TRUE(windowColoured(window(), "EditTDNFLD"));
    EXPECT_EQ(focused(window()), "EditTDNFLD");
    EXPECT_EQ(fieldValue("TMTFLD"), "C");
    EXPECT_EQ(control<ui::DbRadioGroup>(window(), "EditTDTFLD")->itemIndex(), 0);
    EXPECT_EQ(fieldValue("TMNPFM"), "ORDERS");
    EXPECT_EQ(fieldValue("TMTIPO"), "B");
    EXPECT_EQ(text(window(), "EditTDNRIG"), "2");
    EXPECT_EQ(fieldValue("TMBCAR"), "False");

    click(window(), "BtnCancel1");
    EXPECT_EQ(text(window(), "StateRecord1"), "[mode:browse]");
    click(window(), "BtnEdit1");
    EXPECT_EQ(text(window(), "StateRecord1"), "[mode:edit]");
    expectEnabled({"DbRead1", "DbDbaGrid", "BtnInsert1", "BtnEdit1", "EditTDNFLD"}, false,
                  "editing");
    expectEnabled({"BtnPost1", "BtnCancel1", "BtnDelete1"}, true, "editing");
    EXPECT_EQ(focused(window()), "EditTDDESC");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(BaseEditor, BaseRowChecksKeepTheTypedValues) {
    addBaseTable("CUSTOMERS", "Customers");
    open(window());
    click(window(), "BtnInsert");

    clickTab(0); // a click on the tab stores the new row
    expectError("Error. Table name, wanted.", "EditTBNPFM");
    EXPECT_EQ(window().Base.State(), dsInsert);

    type(window(), "EditTBNPFM", "orders");
    clickTab(0);
    expectError("Error. Table description, wanted.", "EditTBDESC");
    EXPECT_EQ(text(window(), "EditTBNPFM"), "ORDERS");

    type(window(), "EditTBDESC", "Orders");
    type(window(), "EditTBNPFM", "customers");
    clickTab(0);
    expectError("Error. Try to table duplicate.", "EditTBNPFM");
    EXPECT_EQ(text(window(), "EditTBDESC"), "Orders");
    EXPECT_EQ(window().Base.State(), dsInsert);
    EXPECT_EQ(rows("A").size(), 1u);

    // A failed store on the click that opens the Detail page: the page
    // shows nevertheless and the row stays pending.
    boxes.clear();
    clickTab(1);
    EXPECT_EQ(lastBox(), "Error. Try to table duplicate.");
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(window().Base.State(), dsInsert);

    clickTab(0);
    type(window(), "EditTBNPFM", "orders");
    clickTab(1);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(window().Base.State(), dsBrowse);
    Row stored = baseRow("ORDERS");
    EXPECT_EQ(stored.description, "Orders");
    EXPECT_EQ(stored.date, Date::today());
    EXPECT_EQ(text(window(), "TbNome"), "ORDERS");
    EXPECT_EQ(window().NextFieldRow, 1);
}

TEST_F(BaseEditor, FieldRowChecksKeepTheTypedValues) {
    addBaseTable("ORDERS", "Orders");
    addField("ORDERS", 1, "CODE", "Order code");
    open(window());
    clickTab(1);
    click(window(), "BtnInsert1");

    type(window(), "EditTDDESC", "Customer");
    click(window(), "BtnInsert1");
    expectError("Error. Field name, is missing.", "EditTDNFLD");
    EXPECT_EQ(window().Field.State(), dsInsert);
    EXPECT_EQ(text(window(), "EditTDDESC"), "Customer");

    type(window(), "EditTDNFLD", "cust");
    type(window(), "EditTDDESC", "");
    click(window(), "BtnInsert1");
    expectError("Error. Field description, is missing.", "EditTDDESC");
    EXPECT_EQ(text(window(), "EditTDNFLD"), "CUST");

    type(window(), "EditTDDESC", "Customer");
    click(window(), "BtnInsert1");
    expectError("Error. Field lengtht, is missing.", "EditTDSIZE");
    type(window(), "EditTDSIZE", "0");
    boxes.clear();
    click(window(), "BtnInsert1");
    expectError("Error. Field lengtht, is missing.", "EditTDSIZE");

    type(window(), "EditTDSIZE", "8");
    type(window(), "EditTDNFLD", "code");
    click(window(), "BtnInsert1");
    expectError("Error. Try to fields duplicate.", "EditTDNFLD");
    EXPECT_EQ(rows("B", "ORDERS").size(), 1u);

    boxes.clear();
    type(window(), "EditTDNFLD", "cust");
    click(window(), "BtnInsert1");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    auto fields = rows("B", "ORDERS");
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[1].name, "CUST");
    EXPECT_EQ(fields[1].number, 2);
    EXPECT_EQ(fields[1].size, 8);
    EXPECT_EQ(text(window(), "EditTDNRIG"), "3");

    // An edited field row that keeps its name finds itself and passes.
    click(window(), "BtnCancel1");
    goToField(1);
    click(window(), "BtnEdit1");
    type(window(), "EditTDDESC", "Order number");
    click(window(), "BtnPost1");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(rows("B", "ORDERS")[0].description, "Order number");
}

TEST_F(BaseEditor, FieldRowsAreNumberedUpTo99) {
    addBaseTable("EMPTY", "No fields yet");
    addBaseTable("FULL", "Nearly full");
    for (int number = 1; number <= 98; ++number)
        addField("FULL", number, "F" + std::to_string(number), "Field");
    open(window());
    goToTable("EMPTY");
    clickTab(1);
    EXPECT_EQ(window().NextFieldRow, 1);

    // The insert loop: Insert stores the pending row and opens the next.
    click(window(), "BtnInsert1");
    EXPECT_EQ(text(window(), "EditTDNRIG"), "1");
    fillField("first", "First field");
    click(window(), "BtnInsert1");
    EXPECT_EQ(text(window(), "EditTDNRIG"), "2");
    ASSERT_EQ(rows("B", "EMPTY").size(), 1u);
    EXPECT_EQ(rows("B", "EMPTY")[0].number, 1);
    // Untouched rows are dropped, Cancel drops the last one.
    click(window(), "BtnInsert1");
    click(window(), "BtnInsert1");
    EXPECT_EQ(window().Field.State(), dsInsert);
    click(window(), "BtnCancel1");
    EXPECT_EQ(rows("B", "EMPTY").size(), 1u);

    clickTab(0);
    goToTable("FULL");
    clickTab(1);
    EXPECT_EQ(window().NextFieldRow, 99);
    click(window(), "BtnInsert1");
    fillField("last", "Row 99");
    click(window(), "BtnInsert1");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(rows("B", "FULL").back().number, 99);
    fillField("extra", "Row 100");
    click(window(), "BtnInsert1");
    expectError("Error. Max number of fields is reached [99].", "EditTDNFLD");
    EXPECT_EQ(rows("B", "FULL").size(), 99u);
    EXPECT_EQ(text(window(), "EditTDNFLD"), "EXTRA");
}

TEST_F(BaseEditor, DeletedRowsLeaveGapsUntilTheTopGoes) {
    addBaseTable("GAPS", "Gaps");
    for (int number = 1; number <= 5; ++number)
        addField("GAPS", number, "F" + std::to_string(number), "Field " + std::to_string(number));
    open(window());
    clickTab(1);
    EXPECT_EQ(window().NextFieldRow, 6);

    goToField(3);
    click(window(), "BtnEdit1");
    click(window(), "BtnDelete1"); // no answer: the box is closed
    EXPECT_EQ(lastBox(), "Confirm field delete : GAPS - Field 3");
    EXPECT_EQ(rows("B", "GAPS").size(), 5u);
    boxes.answer(ui::Answer::Yes);
    click(window(), "BtnDelete1");
    EXPECT_EQ(rows("B", "GAPS").size(), 4u);
    EXPECT_EQ(window().NextFieldRow, 6);
    EXPECT_EQ(baseRow("GAPS").date, OldDate) << "deleting a field does not stamp";

    clickTab(0);
    clickTab(1);
    EXPECT_EQ(window().NextFieldRow, 6) << "a gap in the middle is not reused";

    goToField(5);
    click(window(), "BtnEdit1");
    boxes.answer(ui::Answer::Yes);
    click(window(), "BtnDelete1");
    EXPECT_EQ(window().NextFieldRow, 6) << "only a reload lowers the number";
    clickTab(0);
    clickTab(1);
    EXPECT_EQ(window().NextFieldRow, 5);
    click(window(), "BtnInsert1");
    EXPECT_EQ(text(window(), "EditTDNRIG"), "5");
}

TEST_F(BaseEditor, StoringAFieldStampsItsTable) {
    addBaseTable("BROKEN", ""); // cannot be stored again: no description
    addBaseTable("ORDERS", "Orders");
    addBaseTable("OTHER", "Other");
    open(window());
    goToTable("ORDERS");
    clickTab(1);
    click(window(), "BtnInsert1");
    fillField("code", "Order code");
    click(window(), "BtnInsert1");
    EXPECT_EQ(baseRow("ORDERS").date, Date::today());
    EXPECT_EQ(rows("B", "ORDERS").at(0).date, Date::today());
    EXPECT_EQ(baseRow("OTHER").date, OldDate);
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");

    // Editing a field stamps too.
    click(window(), "BtnCancel1");
    clickTab(0);
    goToTable("OTHER");
    addField("OTHER", 1, "NAME", "Name");
    clickTab(1);
    click(window(), "BtnEdit1");
    type(window(), "EditTDDESC", "Full name");
    click(window(), "BtnPost1");
    EXPECT_EQ(baseRow("OTHER").date, Date::today());

    // A stamp that fails stores nothing of the field row.
    clickTab(0);
    goToTable("BROKEN");
    clickTab(1);
    click(window(), "BtnInsert1");
    fillField("code", "Code");
    click(window(), "BtnInsert1");
    EXPECT_EQ(lastBox(), "Error. Table description, wanted.");
    EXPECT_TRUE(rows("B", "BROKEN").empty());
    EXPECT_EQ(baseRow("BROKEN").date, OldDate);
    EXPECT_EQ(window().Field.State(), dsInsert);
    EXPECT_EQ(window().Base.State(), dsBrowse);
    EXPECT_FALSE(window().DateStamping);
}

TEST_F(BaseEditor, NewFieldsTakeTheTypeOfTheLastOneWithinAVisit) {
    addBaseTable("ORDERS", "Orders");
    open(window());
    clickTab(1);
    click(window(), "BtnInsert1");
    auto* types = control<ui::DbRadioGroup>(window(), "EditTDTFLD");
    EXPECT_EQ(types->itemIndex(), 0);
    types->item(1)->click(); // "Number"
    fillField("amount", "Amount", "12");
    click(window(), "BtnInsert1");
    EXPECT_EQ(rows("B", "ORDERS").at(0).type, "N");
    EXPECT_EQ(fieldValue("TMTFLD"), "N");
    EXPECT_EQ(types->itemIndex(), 1);
    EXPECT_EQ(types->item(5)->text(), "OLE");

    click(window(), "BtnCancel1");
    click(window(), "BtnInsert1");
    EXPECT_EQ(fieldValue("TMTFLD"), "N");
    click(window(), "BtnCancel1");

    clickTab(0);
    clickTab(1);
    click(window(), "BtnInsert1");
    EXPECT_EQ(fieldValue("TMTFLD"), "C");
}

TEST_F(BaseEditor, DeletingATableDeletesItsFieldsAndKeepsItsIndexes) {
    addBaseTable("ORDERS", "Orders of customers");
    for (int number = 1; number <= 3; ++number)
        addField("ORDERS", number, "F" + std::to_string(number), "Field");
    addIndex("ORDERS", "BYCODE", "F1");
    addBaseTable("OTHER", "Other");
    addField("OTHER", 1, "F1", "Field");
    open(window());
    goToTable("ORDERS");

    click(window(), "BtnEdit");
    click(window(), "BtnDelete");
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::DialogBox& box = boxes.shown().front();
    EXPECT_EQ(box.text, "Confirm table delete : [ORDERS] Orders of customers");
    EXPECT_EQ(box.caption, "Confirm");
    EXPECT_EQ(box.icon, ui::BoxIcon::Question);
    EXPECT_EQ(box.buttonTexts(), (QStringList{"&Yes", "&No"}));
    EXPECT_EQ(rows("A").size(), 2u);
    EXPECT_EQ(rows("B", "ORDERS").size(), 3u);

    boxes.answer(ui::Answer::Yes);
    click(window(), "BtnDelete");
    EXPECT_EQ(rows("A").size(), 1u);
    EXPECT_TRUE(rows("B", "ORDERS").empty());
    EXPECT_EQ(rows("C", "ORDERS").size(), 1u);
    EXPECT_EQ(rows("B", "OTHER").size(), 1u);
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
    EXPECT_EQ(text(window(), "EditTBNPFM"), "OTHER");
}

TEST_F(BaseEditor, OtherWindowsGetTheirMembersAndShowModally) {
    addBaseTable("ORDERS", "Orders");
    addBaseTable("PAYMENTS", "Payments");
    open(window());

    QString shown = whileModal([&] { click(window(), "BtnRicerca"); },
                               [](QWidget&) {
                                   Ric_Gen->SearchFound = true;
                                   Ric_Gen->SearchCode = "PAYMENTS";
                               });
    EXPECT_EQ(shown, "Ric_Gen");
    EXPECT_EQ(Ric_Gen->SearchTable, "T_BASE");
    EXPECT_EQ(Ric_Gen->SearchDescField, "TMDESC");
    EXPECT_EQ(Ric_Gen->SearchCodeField, "TMNPFM");
    EXPECT_EQ(Ric_Gen->SearchCodeSize, 10);
    EXPECT_EQ(Ric_Gen->SearchDescSize, 75);
    EXPECT_EQ(Ric_Gen->SearchCaption, "Searching base-tables");
    EXPECT_EQ(text(window(), "EditTBNPFM"), "PAYMENTS");

    bool printing = false;
    shown = whileModal([&] { click(window(), "BtnStampa"); },
                       [&](QWidget&) { printing = window().PrintInProgress; });
    EXPECT_EQ(shown, "Rep_Archivi");
    EXPECT_TRUE(printing);
    EXPECT_FALSE(window().PrintInProgress);
    EXPECT_EQ(QRP_Archivi->ReportTable, "T_BASE");
    EXPECT_EQ(QRP_Archivi->ReportTitle, "Print Base-Tables.");
    EXPECT_TRUE(QRP_Archivi->ReportTables);

    // Printing stores no pending row, nor does the activation it causes.
    clickTab(1);
    click(window(), "BtnInsert1");
    fillField("amount", "Amount");
    whileModal([&] { click(window(), "BtnStampa"); });
    EXPECT_EQ(window().Field.State(), dsInsert);
    EXPECT_TRUE(rows("B", "PAYMENTS").empty());
    EXPECT_EQ(QRP_Archivi->ReportTitle, "[ PAYMENTS ] - Payments");
    EXPECT_FALSE(QRP_Archivi->ReportTables);

    // The index button stores a pending field row first.
    shown = whileModal([&] { click(window(), "BtnIndici"); });
    EXPECT_EQ(shown, "Man_Indici");
    EXPECT_EQ(Man_Indici->TableName, "PAYMENTS");
    EXPECT_EQ(Man_Indici->TableDescription, "Payments");
    EXPECT_EQ(rows("B", "PAYMENTS").size(), 1u);

    shown = whileModal([&] { click(window(), "BtnCrea"); });
    EXPECT_EQ(shown, "Crt_Archivi");
    EXPECT_EQ(Crt_Archivi->TableNames, QStringList{"PAYMENTS"});
    EXPECT_EQ(Crt_Archivi->TableTypes, QStringList{"0"});
    EXPECT_EQ(boxes.texts(), QStringList{"Function successfull."});
}

TEST_F(BaseEditor, ClosingCancelsTheBaseRowAndLeavesAFieldRowPending) {
    addBaseTable("ORDERS", "Orders");
    open(window());
    clickTab(1);
    click(window(), "BtnInsert1");
    fillField("code", "Code");
    click(window(), "BtnUscita");
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().Field.State(), dsInsert);
    EXPECT_TRUE(rows("B").empty());

    // The next showing refreshes the fields, which stores the pending row.
    open(window());
    EXPECT_EQ(rows("B", "ORDERS").size(), 1u);

    clickTab(0);
    click(window(), "BtnInsert");
    type(window(), "EditTBNPFM", "new");
    window().close();
    EXPECT_EQ(window().Base.State(), dsBrowse);
    EXPECT_EQ(rows("A").size(), 1u);
}

// The restore replaces the dictionary under the window: it starts again as
// on its first showing, and a new field row takes the next free number.
TEST_F(BaseEditor, StartsAgainAfterARestore) {
    addBaseTable("ARTICOLI", "Articles");
    for (int n = 1; n <= 4; ++n)
        addField("ARTICOLI", n, "ART" + std::to_string(n), "Article field");
    addBaseTable("CAUSALI", "Reasons");
    for (int n = 1; n <= 3; ++n)
        addField("CAUSALI", n, "CAU" + std::to_string(n), "Reason field");
    for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
        std::filesystem::copy_file(system / file, workspace->floppy / file);

    open(window());
    goToTable("CAUSALI");
    clickTab(1);
    ASSERT_EQ(page(), 1);
    click(window(), "BtnUscita");
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    ASSERT_EQ(boxes.texts(), QStringList{"Restore Base-Tables."});

    open(window());
    EXPECT_EQ(page(), 0);
    std::string table = window().Base.FieldByName("TMNPFM").AsString();
    clickTab(1);
    auto& grid = control<ui::DbGrid>(window(), "DbDbaGrid")->gridModel();
    while (grid.canFetchMore({}))
        grid.fetchMore({});
    int count = static_cast<int>(rows("B", table).size());
    EXPECT_EQ(grid.rowCount(), count) << table;
    click(window(), "BtnInsert1");
    EXPECT_EQ(text(window(), "EditTDNRIG"), QString::number(count + 1));
    fillField("ADDED", "Added after the restore");
    click(window(), "BtnInsert1");
    click(window(), "BtnCancel1");
    EXPECT_EQ(boxes.shown().size(), 1u) << lastBox().toStdString();
    std::set<int> numbers;
    for (const Row& row : rows("B", table))
        EXPECT_TRUE(numbers.insert(row.number).second) << table << " field " << row.number;
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(count + 1));
}

TEST_F(BaseEditor, FieldRowsStoredMeanwhileAreNotNumberedAgain) {
    addBaseTable("CAUSALI", "Reasons");
    addField("CAUSALI", 1, "CODE", "Code");
    addField("CAUSALI", 2, "NAME", "Name");
    open(window());
    clickTab(1);
    addField("CAUSALI", 3, "KIND", "Stored by another program");
    click(window(), "BtnInsert1");
    fillField("ADDED", "Added here");
    click(window(), "BtnInsert1");
    click(window(), "BtnCancel1");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    std::map<std::string, int> numbers;
    for (const Row& row : rows("B", "CAUSALI"))
        numbers[row.name] = row.number;
    EXPECT_EQ(numbers,
              (std::map<std::string, int>{{"CODE", 1}, {"NAME", 2}, {"KIND", 3}, {"ADDED", 4}}));
}
