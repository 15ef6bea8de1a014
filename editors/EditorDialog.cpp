#include "editors/EditorDialog.h"

#include "ui/ModalWindows.h"

#include <QShowEvent>

namespace editors {

void EditorDialog::showEvent(QShowEvent* event) {
    ui::ToolWindow::showEvent(event);
    // Shown by the program, not uncovered by the window system.
    if (!event->spontaneous())
        ui::showingErrors([this] { FormActivate(); });
}

void EditorDialog::done(int result) {
    ui::showingErrors([this] { FormClose(); });
    QDialog::done(result);
}

} // namespace editors
