#include "ItemsTable.h"

#include "ui/DbCheckBox.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbRadioGroup.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

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

// An assistive tool toggles an item through the accessibility interface; it
// must then see one checked item, the one of the field's value.
TEST_F(ChoiceControls, RadioItemsToggledThroughAccessibilityShowOneCheckedItem) {
    ui::DbRadioGroup kind;
    kind.setItems({"dBASE", "PARADOX"}, {"0", "1"});
    kind.bind(&source, "KIND");
    items.First(); // kind "1"
    auto toggle = [&](int index) {
        QAccessibleInterface* item = QAccessible::queryAccessibleInterface(kind.item(index));
        ASSERT_NE(item, nullptr);
        ASSERT_NE(item->actionInterface(), nullptr);
        item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    auto checkedItems = [&] {
        QStringList checked;
        for (int index : {0, 1}) {
            QAccessibleInterface* item = QAccessible::queryAccessibleInterface(kind.item(index));
            if (item->state().checked)
                checked << item->text(QAccessible::Name);
        }
        return checked;
    };
    ASSERT_EQ(checkedItems(), QStringList{"PARADOX"});

    toggle(0); // browsing: nothing changes
    EXPECT_EQ(checkedItems(), QStringList{"PARADOX"});
    EXPECT_EQ(items.FieldByName("KIND").AsString(), "1");
    toggle(1); // unchecking the checked item springs back
    EXPECT_EQ(checkedItems(), QStringList{"PARADOX"});

    items.Edit();
    toggle(0);
    EXPECT_EQ(checkedItems(), QStringList{"dBASE"});
    EXPECT_EQ(items.FieldByName("KIND").AsString(), "0");
    toggle(0);
    EXPECT_EQ(checkedItems(), QStringList{"dBASE"});
    EXPECT_EQ(items.FieldByName("KIND").AsString(), "0");
    items.Cancel();
    EXPECT_EQ(checkedItems(), QStringList{"PARADOX"});
}
