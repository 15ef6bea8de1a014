#include "ItemsTable.h"

#include "ui/DbCheckBox.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbRadioGroup.h"

using namespace engine;

using ChoiceControls = ItemsTable;

TEST_F(ChoiceControls, RadioItemsAndCheckBoxStoreTheirValuesOnlyWhileEditing) {
    ui::DbRadioGroup kind;
    kind.setItems({"dBASE", "PARADOX"}, {"0", "1"});
    kind.bind(&source, "KIND");
    ui::DbCheckBox ok;
    ok.setValues("True", "False");
    ok.bind(&source, "OK");

    // Row C00005: kind "1", not ok.
    EXPECT_EQ(kind.itemIndex(), 1);
    EXPECT_FALSE(ok.isChecked());
    kind.item(0)->click();
    ok.click();
    EXPECT_EQ(kind.itemIndex(), 1); // browsing: the choice springs back
    EXPECT_FALSE(ok.isChecked());
    EXPECT_EQ(items.FieldByName("KIND").AsString(), "1");

    items.Edit();
    kind.item(0)->click();
    ok.click();
    EXPECT_EQ(items.FieldByName("KIND").AsString(), "0");
    EXPECT_TRUE(items.FieldByName("OK").AsBoolean());
    items.FieldByName("KIND").SetAsString("X");
    EXPECT_EQ(kind.itemIndex(), -1); // a value of no item checks none
    items.Cancel();
    items.Next();
    EXPECT_EQ(kind.itemIndex(), 0);
    EXPECT_TRUE(ok.isChecked());
}

TEST_F(ChoiceControls, LookupListComesFromAnotherSource) {
    // The item's CODE stands in for an application code here.
    ui::DbLookupCombo app;
    app.bind(&source, "CODE");
    app.setList(&appSource, "CODE", "NAME");
    EXPECT_EQ(app.keys(), (QStringList{"AN", "FA", "MA"}));
    EXPECT_EQ(app.itemText(2), "Warehouse");
    EXPECT_EQ(app.currentIndex(), -1);                    // "C00005" is no application
    EXPECT_EQ(apps.FieldByName("CODE").AsString(), "AN"); // the list did not move it

    emit app.activated(2); // browsing: nothing is stored
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00005");
    EXPECT_EQ(app.currentIndex(), -1);
    items.Edit();
    items.FieldByName("CODE").SetAsString("FA");
    EXPECT_EQ(app.currentIndex(), 1);
    emit app.activated(2);
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "MA");
    EXPECT_EQ(app.currentText(), "Warehouse");
    items.Cancel();

    // A new application shows up in the list.
    apps.Insert();
    apps.FieldByName("CODE").SetAsString("BB");
    apps.FieldByName("NAME").SetAsString("Budget");
    apps.Post();
    EXPECT_EQ(app.keys(), (QStringList{"AN", "BB", "FA", "MA"}));

    // A disabled list source empties the list.
    appSource.SetEnabled(false);
    EXPECT_EQ(app.count(), 0);
}
