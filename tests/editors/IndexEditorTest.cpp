#include "support/EditorWorkspace.h"

#include "editors/Man_Archivi.h"
#include "editors/Man_Indici.h"
#include "ui/DbGrid.h"

using engine::Date;
using engine::dsBrowse;
using engine::dsEdit;
using engine::dsInsert;

class IndexEditor : public EditorWorkspace {
protected:
    TMan_Indici& window() { return *Man_Indici; }

    // Opens the index editor of a table as the base-table editor does:
    // with that table current in Man_Archivi.
    void openFor(const std::string& table, const std::string& description) {
        open(*Man_Archivi);
        engine::TTable& base = Man_Archivi->Base;
        for (base.First(); !base.Eof(); base.Next())
            if (base.FieldByName("TMNPFM").AsString() == table)
                break;
        window().TableName = table;
        window().TableDescription = description;
        open(window());
    }
    QStringList listed() {
        auto& model = control<ui::DbGrid>(window(), "TabGrid")->gridModel();
        while (model.canFetchMore({}))
            model.fetchMore({});
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names << model.data(model.index(row, 0), Qt::DisplayRole).toString();
        return names;
    }
    void expectEnabled(std::initializer_list<const char*> names, bool expected, const char* state) {
        for (const char* name : names)
            EXPECT_EQ(enabled(window(), name), expected) << name << " while " << state;
    }
    void expectError(const QString& message, const char* focus) {
        EXPECT_EQ(lastBox(), message);
        EXPECT_EQ(focused(window()), focus) << message.toStdString();
        EXPECT_EQ(window().Index.State(), dsInsert);
    }
};

TEST_F(IndexEditor, ListsTheTableIndexesAndFollowsTheStateTable) {
    addBaseTable("ORDERS", "Orders");
    addBaseTable("OTHER", "Other");
    addIndex("ORDERS", "BYDATE", "DTOS(DATA)");
    addIndex("ORDERS", "BYCODE", "CODE");
    addIndex("OTHER", "BYNAME", "NAME");
    openFor("ORDERS", "Orders");

    EXPECT_EQ(text(window(), "LabCodi"), "ORDERS");
    EXPECT_EQ(text(window(), "LabDesc"), "Orders");
    EXPECT_EQ(listed(), (QStringList{"BYCODE", "BYDATE"}));
    auto& model = control<ui::DbGrid>(window(), "TabGrid")->gridModel();
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column)
        titles << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList{"Indice", "Espressione", "Aggiornato", "Chiavi", "Condizione"}));

    EXPECT_EQ(text(window(), "StateRecord"), "[mode:browse]");
    expectEnabled({"DbRead", "TabGrid", "BtnInsert", "BtnEdit", "EditTMNFLD"}, true, "browsing");
    expectEnabled({"BtnPost", "BtnCancel", "BtnDelete"}, false, "browsing");

    click(window(), "BtnInsert");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:insert]");
    expectEnabled({"DbRead", "TabGrid", "BtnEdit", "BtnPost", "BtnDelete"}, false, "inserting");
    expectEnabled({"BtnInsert", "BtnCancel", "EditTMNFLD"}, true, "inserting");
    EXPECT_EQ(focused(window()), "EditTMNFLD");
    engine::TTable& index = window().Index;
    EXPECT_EQ(index.FieldByName("TMBCAR").AsString(), "False");
    EXPECT_EQ(index.FieldByName("TMNPFM").AsString(), "") << "nothing else is preset";
    EXPECT_EQ(index.FieldByName("TMTIPO").AsString(), "");

    click(window(), "BtnCancel");
    click(window(), "BtnEdit");
    EXPECT_EQ(text(window(), "StateRecord"), "[mode:edit]");
    expectEnabled({"DbRead", "BtnInsert", "BtnEdit"}, false, "editing");
    expectEnabled({"TabGrid", "BtnPost", "BtnCancel", "BtnDelete", "EditTMNFLD"}, true, "editing");
    EXPECT_EQ(focused(window()), "EditTMNFLD");

    // The name of a stored index can change, even to a name in use.
    type(window(), "EditTMNFLD", "bydate");
    click(window(), "BtnPost");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(listed(), (QStringList{"BYDATE", "BYDATE"}));
    EXPECT_EQ(baseRow("ORDERS").date, Date::today()) << "storing an edited index stamps";
}

TEST_F(IndexEditor, ChecksThenStoresAndStampsTheTable) {
    addBaseTable("ORDERS", "Orders");
    addBaseTable("OTHER", "Other");
    addIndex("ORDERS", "BYCODE", "CODE");
    openFor("ORDERS", "Orders");
    click(window(), "BtnInsert");

    type(window(), "EditTMDESC", "CODE+DTOS(DATA)");
    click(window(), "BtnInsert");
    expectError("Error. Index name, is missing.", "EditTMNFLD");
    EXPECT_EQ(text(window(), "EditTMDESC"), "CODE+DTOS(DATA)");

    type(window(), "EditTMNFLD", "bycode");
    type(window(), "EditTMDESC", "");
    click(window(), "BtnInsert");
    expectError("Error. Espression index, is missing.", "EditTMDESC");
    EXPECT_EQ(text(window(), "EditTMNFLD"), "BYCODE");

    type(window(), "EditTMDESC", "CODE+DTOS(DATA)");
    click(window(), "BtnInsert");
    expectError("Error. Key number, is missing.", "EditTMSIZE");
    type(window(), "EditTMSIZE", "0");
    boxes.clear();
    click(window(), "BtnInsert");
    expectError("Error. Key number, is missing.", "EditTMSIZE");
    EXPECT_EQ(rows("C", "ORDERS").size(), 1u);
    EXPECT_EQ(baseRow("ORDERS").date, OldDate);

    // Names may repeat; the condition is kept as typed.
    boxes.clear();
    type(window(), "EditTMSIZE", "2");
    type(window(), "EditTMDCND", "AMOUNT>0");
    click(window(), "BtnInsert");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    EXPECT_EQ(window().Index.State(), dsInsert);
    auto indexes = rows("C", "ORDERS");
    ASSERT_EQ(indexes.size(), 2u);
    for (const Row& row : indexes)
        EXPECT_EQ(row.name, "BYCODE");
    auto stored = indexes[0].size == 2 ? indexes[0] : indexes[1];
    EXPECT_EQ(stored.description, "CODE+DTOS(DATA)");
    EXPECT_EQ(stored.condition, "AMOUNT>0");
    EXPECT_EQ(stored.date, Date::today());
    EXPECT_EQ(baseRow("ORDERS").date, Date::today());
    EXPECT_EQ(baseRow("OTHER").date, OldDate);

    // Without a condition.
    type(window(), "EditTMNFLD", "plain");
    type(window(), "EditTMDESC", "CODE");
    type(window(), "EditTMSIZE", "1");
    click(window(), "BtnInsert");
    click(window(), "BtnCancel");
    EXPECT_EQ(rows("C", "ORDERS").size(), 3u);
    EXPECT_EQ(window().Index.State(), dsBrowse);
}

TEST_F(IndexEditor, AFailedStampStoresNothing) {
    addBaseTable("BROKEN", ""); // its row fails the base-table checks
    openFor("BROKEN", "");
    EXPECT_TRUE(listed().isEmpty());
    click(window(), "BtnInsert");
    type(window(), "EditTMNFLD", "bycode");
    type(window(), "EditTMDESC", "CODE");
    type(window(), "EditTMSIZE", "1");
    click(window(), "BtnInsert");
    EXPECT_EQ(lastBox(), "Error. Table description, wanted.");
    EXPECT_TRUE(rows("C").empty());
    EXPECT_EQ(baseRow("BROKEN").date, OldDate);
    EXPECT_EQ(window().Index.State(), dsInsert);
    EXPECT_EQ(text(window(), "EditTMNFLD"), "BYCODE");
    EXPECT_FALSE(Man_Archivi->DateStamping);
}

TEST_F(IndexEditor, DeleteAsksAndClosingDropsThePendingRow) {
    addBaseTable("ORDERS", "Orders");
    addIndex("ORDERS", "BYCODE", "CODE");
    addIndex("ORDERS", "BYDATE", "DATA");
    openFor("ORDERS", "Orders");

    click(window(), "BtnEdit");
    click(window(), "BtnDelete");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Delete index : [BYCODE] ");
    EXPECT_EQ(boxes.shown()[0].caption, "Confirm");
    EXPECT_EQ(boxes.shown()[0].buttonTexts(), (QStringList{"&Yes", "&No"}));
    EXPECT_EQ(rows("C").size(), 2u);
    boxes.answer(ui::Answer::Yes);
    click(window(), "BtnDelete");
    EXPECT_EQ(listed(), QStringList{"BYDATE"});
    EXPECT_EQ(baseRow("ORDERS").date, OldDate) << "deleting does not stamp";

    click(window(), "BtnInsert");
    type(window(), "EditTMNFLD", "pending");
    type(window(), "EditTMDESC", "CODE");
    type(window(), "EditTMSIZE", "1");
    click(window(), "BtnUscita");
    EXPECT_EQ(window().Index.State(), dsBrowse);
    EXPECT_EQ(rows("C").size(), 1u);
    EXPECT_EQ(boxes.shown().size(), 2u);
}
