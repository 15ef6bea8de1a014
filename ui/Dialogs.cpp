#include "ui/Dialogs.h"

#include "ui/MessageLines.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

Dialogs* installed = nullptr;

QString applicationTitle() {
    return QCoreApplication::applicationName();
}

QMessageBox::Icon messageBoxIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString buttonText(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return QStringLiteral("OK");
    case Answer::Yes:
        return QStringLiteral("&Yes");
    case Answer::No:
        return QStringLiteral("&No");
    case Answer::Cancel:
        return QStringLiteral("Cancel");
    }
    return {};
}

QStringList DialogBox::buttonTexts() const {
    QStringList texts;
    for (Answer answer : buttons)
        texts << buttonText(answer);
    return texts;
}

void Dialogs::error(const QString& message) {
    QString text = message;
    // The classic error handler ends a message with a full stop unless it
    // already ends in punctuation that sorts at or before ".".
    if (!text.isEmpty() && text.back() > QChar('.'))
        text += '.';
    show({applicationTitle(), text, BoxIcon::Stop, {Answer::Ok}});
}

void Dialogs::message(const QString& text) {
    show({applicationTitle(), text, BoxIcon::None, {Answer::Ok}});
}

Answer Dialogs::confirm(const QString& text, Choice choice) {
    Answer second = choice == Choice::YesNo ? Answer::No : Answer::Cancel;
    return show({QStringLiteral("Confirm"), text, BoxIcon::Question, {Answer::Yes, second}});
}

Answer MessageBoxDialogs::show(const DialogBox& box) {
    QMessageBox messageBox(messageBoxIcon(box.icon), box.caption, QString(), QMessageBox::NoButton,
                           QApplication::activeWindow());
    // Our own lines, broken between words only: the box's word wrap would
    // cut a path after "/" and "$$CLIENTI.DBF" after its first "$".
    const auto* label = messageBox.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    QFontMetrics metrics = label ? label->fontMetrics() : messageBox.fontMetrics();
    messageBox.setTextFormat(Qt::RichText);
    messageBox.setText(unbreakableLines(messageLines(box.text, metrics, messageWidth(metrics))));
    std::vector<QPushButton*> pushButtons;
    for (Answer answer : box.buttons) {
        auto role = answer == Answer::Ok || answer == Answer::Yes ? QMessageBox::AcceptRole
                                                                  : QMessageBox::RejectRole;
        pushButtons.push_back(messageBox.addButton(buttonText(answer), role));
    }
    messageBox.setDefaultButton(pushButtons.front());
    messageBox.setEscapeButton(pushButtons.back());
    messageBox.exec();
    for (std::size_t i = 0; i < pushButtons.size(); ++i) {
        if (messageBox.clickedButton() == pushButtons[i])
            return box.buttons[i];
    }
    return box.buttons.back();
}

Dialogs& dialogs() {
    static MessageBoxDialogs standard;
    return installed ? *installed : standard;
}

Dialogs* setDialogs(Dialogs* replacement) {
    Dialogs* previous = installed;
    installed = replacement;
    return previous;
}

} // namespace ui
