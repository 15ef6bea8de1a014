#include "ItemsTable.h"

#include "engine/base/EngineError.h"

#include "support/ScriptedDialogs.h"
#include "ui/Colors.h"
#include "ui/DbEdit.h"
#include "ui/DbText.h"

#include <QApplication>
#include <QTest>

#include <memory>

using namespace engine;

using EditControls = ItemsTable;

TEST_F(EditControls, TypingOnlyWhileEditingWithTheFieldsLimits) {
    ui::DbEdit name;
    name.setUpperCase(true);
    name.bind(&source, "NAME");
    ui::DbText day;
    items.FieldByName("DAY").DisplayFormat = "dd/mm/yyyy";
    day.bind(&source, "DAY");

    // Browsing: the box shows the row and takes no typing.
    EXPECT_EQ(name.text(), "Item 999994");
    EXPECT_TRUE(name.isReadOnly());
    EXPECT_EQ(name.maxLength(), 20);
    EXPECT_EQ(day.text(), "06/06/2026");
    QTest::keyClicks(&name, "xyz");
    EXPECT_EQ(name.text(), "Item 999994");

    items.Edit();
    EXPECT_FALSE(name.isReadOnly());
    name.clear();
    QTest::keyClicks(&name, "new name");
    EXPECT_EQ(name.text(), "NEW NAME");
    ui::updateRecord(source);
    EXPECT_EQ(items.FieldByName("NAME").AsString(), "NEW NAME");
    QTest::keyClicks(&name, std::string(30, 'x').c_str());
    EXPECT_EQ(name.text().size(), 20);
    items.Cancel();
    EXPECT_TRUE(name.isReadOnly());
    EXPECT_EQ(name.text(), "Item 999994");

    // Moving shows the next row; closing empties the box.
    items.Next();
    EXPECT_EQ(name.text(), "Item 999995");

    // A store takes what the box shows, even when the box still has the focus.
    items.Edit();
    name.clear();
    QTest::keyClicks(&name, "typed");
    items.Post();
    EXPECT_EQ(items.FieldByName("NAME").AsString(), "TYPED");
    items.Close();
    EXPECT_EQ(name.text(), "");
    EXPECT_EQ(day.text(), "");
}

TEST_F(EditControls, DateMaskWhileEditingDisplayFormatOtherwise) {
    TField& dayField = items.FieldByName("DAY");
    dayField.DisplayFormat = "dd/mm/yyyy";
    dayField.EditMask = "!99/99/0000;1;_";
    ui::DbEdit day;
    day.bind(&source, "DAY");
    EXPECT_EQ(day.inputMask(), "");
    EXPECT_EQ(day.text(), "06/06/2026");

    items.Edit();
    EXPECT_EQ(day.inputMask(), "99/99/0000;_");
    day.selectAll();
    QTest::keyClicks(&day, "31122026");
    ui::updateRecord(source);
    EXPECT_EQ(dayField.AsDateTime(), Date::fromYmd(2026, 12, 31));
    // Nothing typed in the mask empties the date.
    day.clear();
    QTest::keyClick(&day, Qt::Key_Delete);
    ui::updateRecord(source);
    EXPECT_TRUE(dayField.IsNull());
    items.Post();
    EXPECT_EQ(day.text(), "");
}

TEST_F(EditControls, ValuesTheFieldCannotHoldAreRefusedOnceWhenTheRowIsStored) {
    support::ScriptedDialogs boxes;
    ui::DbEdit qty;
    qty.bind(&source, "QTY");
    ui::DbEdit day;
    items.FieldByName("DAY").EditMask = "!99/99/0000;1;_";
    day.bind(&source, "DAY");
    items.Edit();

    // Enter and leaving the box store nothing and show nothing; the refusal
    // is the error of storing the row. Returns its message.
    auto refused = [&](ui::DbEdit& box, const char* typed, const char* field) {
        Value before = items.FieldByName(field).AsValue();
        box.selectAll();
        QTest::keyClicks(&box, typed);
        QTest::keyClick(&box, Qt::Key_Return);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&box, &leave);
        EXPECT_EQ(box.text().remove('_').remove('/'), typed) << "kept as typed";
        EXPECT_EQ(items.FieldByName(field).AsValue(), before) << typed;
        QString message;
        try {
            ui::updateRecord(source);
            ADD_FAILURE() << typed << " was stored";
        } catch (const EngineError& error) {
            message = QString::fromStdString(error.what());
        }
        EXPECT_EQ(items.FieldByName(field).AsValue(), before) << typed;
        box.setText(QString());
        return message;
    };
    QString letters = refused(qty, "12a", "QTY");
    EXPECT_TRUE(letters.contains("QTY") && letters.contains("not a valid number"))
        << letters.toStdString();
    QString wide = refused(qty, "70000", "QTY");
    EXPECT_TRUE(wide.contains("QTY") && wide.contains("70000")) << wide.toStdString();
    QString impossible = refused(day, "31022026", "DAY");
    EXPECT_TRUE(impossible.contains("not a valid date")) << impossible.toStdString();
    EXPECT_TRUE(boxes.shown().empty());

    // A good value after a refusal is stored.
    qty.selectAll();
    QTest::keyClicks(&qty, "9999");
    ui::updateRecord(source);
    EXPECT_EQ(items.FieldByName("QTY").AsInteger(), 9999);
}

TEST_F(EditControls, ControlsAndTheWindowShareOneDataSource) {
    std::vector<std::string> heard;
    // A handler put in the slot before any control is bound keeps working.
    source.OnStateChange = [&](TDataSource& s) {
        heard.push_back("slot " + std::to_string(s.State()));
    };
    ui::DbEdit code, name;
    code.bind(&source, "CODE");
    name.bind(&source, "NAME");
    ui::onStateChange(
        source, [&](TDataSource& s) { heard.push_back("window " + std::to_string(s.State())); });
    items.Edit();
    EXPECT_EQ(heard, (std::vector<std::string>{"slot 2", "window 2"}));
    EXPECT_FALSE(code.isReadOnly());
    EXPECT_FALSE(name.isReadOnly());
    items.Cancel();

    // A disabled source shows nothing; enabling it shows the row again.
    source.SetEnabled(false);
    EXPECT_EQ(code.text(), "");
    source.SetEnabled(true);
    EXPECT_EQ(code.text(), "C00005");

    // Walking quietly: nobody hears the steps; the row comes back.
    heard.clear();
    int dataChanges = 0;
    ui::onDataChange(source, [&](TDataSource&, TField*) { ++dataChanges; });
    ui::walkQuietly(items, [&] {
        for (items.First(); !items.Eof(); items.Next())
            EXPECT_EQ(code.text(), "C00005");
    });
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00005");
    EXPECT_EQ(dataChanges, 1);
    // The handlers refer to this test's locals.
    source.OnStateChange = nullptr;
    source.OnDataChange = nullptr;
}

// A window's controls are its children and outlive its members: leaving a
// box as the window goes must not reach a data source that is gone.
TEST_F(EditControls, ABoxLetsGoOfASourceThatIsGone) {
    auto windowSource = std::make_unique<TDataSource>(&items);
    ui::DbEdit name;
    name.bind(windowSource.get(), "NAME");
    items.Edit();
    name.clear();
    QTest::keyClicks(&name, "typed");
    windowSource.reset();
    EXPECT_EQ(name.field(), nullptr);
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(&name, &leave);
    items.Cancel();
    EXPECT_EQ(items.FieldByName("NAME").AsString(), "Item 999994");
}

TEST(BoxColors, WindowAndInactiveCaptionDiffer) {
    ui::DbEdit box;
    ui::setBoxColor(box, ui::BoxColor::Window);
    QColor window = ui::boxColor(box);
    ui::setBoxColor(box, ui::BoxColor::InactiveCaption);
    EXPECT_NE(ui::boxColor(box), window);
    EXPECT_EQ(ui::boxColor(box), ui::colorOf(ui::BoxColor::InactiveCaption));
}

// Capitals as the table's code page (1252) holds them: one character for
// one, so the caret stays where the typing goes on.
TEST_F(EditControls, UpperCaseBoxKeepsLettersWhoseCapitalTheCodePageLacks) {
    ui::DbEdit name;
    name.setUpperCase(true);
    name.bind(&source, "NAME");
    items.Edit();
    name.setText(QString());
    // Key by key (QTest's keyClicks knows ASCII keys only).
    for (QChar c : QStringLiteral("stra\u00DFe \u00B5\u00FF\u00E9"))
        QTest::sendKeyEvent(QTest::Click, &name,
                            Qt::Key(c.unicode() < 0x80 ? c.toUpper().unicode() : c.unicode()),
                            QString(c), Qt::NoModifier);
    EXPECT_EQ(name.text(), QStringLiteral("STRA\u00DFE \u00B5\u0178\u00C9"));
    EXPECT_EQ(name.cursorPosition(), 10);
    ui::updateRecord(source);
    items.Post();
    EXPECT_EQ(items.FieldByName("NAME").AsString(), "STRA\u00DFE \u00B5\u0178\u00C9");
}
