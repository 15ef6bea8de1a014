#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace ui {

// The answers a box can give; each is one button.
enum class Answer { Ok, Yes, No, Cancel };
// The two sets of buttons of a confirmation box.
enum class Choice { YesNo, YesCancel };
enum class BoxIcon { None, Stop, Question };

// A box as the user sees it.
struct DialogBox {
    QString caption;
    QString text;
    BoxIcon icon = BoxIcon::None;
    std::vector<Answer> buttons; // left to right; the last one is also Escape

    QStringList buttonTexts() const;
};

// "OK", "&Yes", "&No", "Cancel".
QString buttonText(Answer answer);

// The program's message, confirmation and error boxes. Their captions, icons
// and buttons are fixed here; how a box is shown (a QMessageBox, or a script
// in the tests) is up to the subclass.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Error box: the application title as caption, a stop icon, OK; the
    // message gets a "." when its last character sorts after ".".
    void error(const QString& message);
    // Plain message box: the application title as caption, OK only.
    void message(const QString& text);
    // Confirmation box: caption "Confirm", a question icon, Yes and No (or
    // Yes and Cancel). Closing the box answers with the second button.
    Answer confirm(const QString& text, Choice choice = Choice::YesNo);

protected:
    // Shows the box and returns the button pressed.
    virtual Answer show(const DialogBox& box) = 0;
};

// Shows the boxes with QMessageBox over the active window.
class MessageBoxDialogs : public Dialogs {
protected:
    Answer show(const DialogBox& box) override;
};

// The dialogs of the program: a MessageBoxDialogs unless replaced.
Dialogs& dialogs();
// Replaces the dialogs of the program (nullptr puts back the default);
// returns the one replaced.
Dialogs* setDialogs(Dialogs* replacement);

} // namespace ui
