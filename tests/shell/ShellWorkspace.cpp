#include "ShellWorkspace.h"

#include "shell/Startup.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

void ShellWorkspace::SetUp() {
    QApplication::setApplicationName(ApplicationTitle);
    workspace.emplace();
    root = workspace->root.path();
    system = workspace->system;
    tables = workspace->tables;
    floppy = workspace->floppy;
    config = workspace->config;
}

void ShellWorkspace::start() {
    createProgram();
}

void ShellWorkspace::TearDown() {
    destroyProgram();
    workspace.reset();
}

QString ShellWorkspace::closingModal(const std::function<void()>& action) {
    QString seen;
    int tries = 0;
    std::function<void()> close = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (++tries < 200) // the action may show nothing at all
                QTimer::singleShot(5, close);
            return;
        }
        seen = modal->objectName();
        modal->close();
    };
    QTimer::singleShot(0, close);
    action();
    return seen;
}
