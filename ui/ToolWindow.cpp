#include "ui/ToolWindow.h"

#include <QKeyEvent>
#include <QPushButton>

namespace ui {

void ToolWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ToolWindow::showEvent(QShowEvent* event) {
    // Before the dialog picks its first button as the default one.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QDialog::showEvent(event);
}

} // namespace ui
