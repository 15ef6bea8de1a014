#include "ui/ModalWindows.h"

#include "ui/Dialogs.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

int showModal(QDialog& window) {
    window.setWindowModality(Qt::ApplicationModal);
    return window.exec();
}

void centreOnScreen(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

QStringList& createdWindows() {
    static QStringList names;
    return names;
}

bool showingErrors(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        dialogs().error(QString::fromStdString(error.what()));
        return false;
    }
}

} // namespace ui
