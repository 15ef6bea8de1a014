#include "ui/Dialogs.h"
#include "ui/WaitCursor.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Shows a real QMessageBox through `show`, reads it while it is open, then
// presses the button with text `press` (Escape when empty).
SeenBox whileOpen(const std::function<void()>& show, const QString& press) {
    SeenBox seen;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) { // not open yet: look again once the event loop has run
            QTimer::singleShot(10, answer);
            return;
        }
        // The text as the box shows it, without the markup that keeps its lines.
        QString shown = box->textFormat() == Qt::RichText
                            ? QTextDocumentFragment::fromHtml(box->text()).toPlainText()
                            : box->text();
        seen = {box->windowTitle(), shown, box->icon(), {}};
        QPushButton* target = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << button->text();
            if (button->text() == press)
                target = qobject_cast<QPushButton*>(button);
        }
        if (target)
            target->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    };
    QTimer::singleShot(0, answer);
    show();
    return seen;
}

} // namespace

TEST(DialogsTest, MessageBoxesHaveTheFixedCaptionsIconsAndButtons) {
    QApplication::setApplicationName(QStringLiteral("Path of alias")); // envtool's title
    ui::MessageBoxDialogs boxes;

    SeenBox error = whileOpen([&] { boxes.error("Error. Table name, wanted"); }, {});
    EXPECT_EQ(error.caption, "Path of alias");
    EXPECT_EQ(error.text, "Error. Table name, wanted.");
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.buttons, QStringList{"OK"});
    // Ending in a character that sorts at or before ".": nothing is added.
    EXPECT_EQ(whileOpen([&] { boxes.error("Done."); }, "OK").text, "Done.");
    EXPECT_EQ(whileOpen([&] { boxes.error("contains #"); }, "OK").text, "contains #");

    SeenBox message = whileOpen([&] { boxes.message("Select path tables, aborted."); }, "OK");
    EXPECT_EQ(message.caption, "Path of alias");
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);
    EXPECT_EQ(message.buttons, QStringList{"OK"});

    ui::Answer answer = ui::Answer::Ok;
    SeenBox question = whileOpen([&] { answer = boxes.confirm("Delete it?"); }, "&Yes");
    EXPECT_EQ(question.caption, "Confirm");
    EXPECT_EQ(question.text, "Delete it?");
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.buttons, (QStringList{"&Yes", "&No"}));
    EXPECT_EQ(answer, ui::Answer::Yes);
    whileOpen([&] { answer = boxes.confirm("Delete it?"); }, "&No");
    EXPECT_EQ(answer, ui::Answer::No);

    SeenBox create =
        whileOpen([&] { answer = boxes.confirm("Create it?", ui::Choice::YesCancel); }, {});
    EXPECT_EQ(create.buttons, (QStringList{"&Yes", "Cancel"}));
    EXPECT_EQ(answer, ui::Answer::Cancel);

    // The program's dialogs are these until something replaces them.
    EXPECT_NE(dynamic_cast<ui::MessageBoxDialogs*>(&ui::dialogs()), nullptr);
}

TEST(DialogsTest, TheHourglassGoesBackOnEveryPath) {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        ui::WaitCursor hourglass;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("stopped halfway");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
