#pragma once

#include "ui/ToolWindow.h"

namespace editors {

// A record editor's window: FormActivate runs, through the standard error
// box, each time the program shows it; FormClose each time it closes.
class EditorDialog : public ui::ToolWindow {
public:
    using ui::ToolWindow::ToolWindow;

    virtual void FormActivate() = 0;
    virtual void FormClose() = 0;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace editors
