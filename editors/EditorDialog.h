#pragma once

#include <QDialog>

namespace editors {

// A record editor's window: FormActivate runs, through the standard error
// box, each time the program shows it; FormClose each time it closes.
class EditorDialog : public QDialog {
public:
    using QDialog::QDialog;

    virtual void FormActivate() = 0;
    virtual void FormClose() = 0;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace editors
