#pragma once

#include <QDialog>

namespace ui {

// A window the program shows modally. Only its own buttons and its close box
// end it: Escape does nothing, and Enter clicks no button (none is a default
// button), so a key pressed in a box never stores, drops or closes anything.
class ToolWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace ui
