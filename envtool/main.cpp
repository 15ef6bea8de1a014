#include "envtool/Man_Ambienti.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The application title: the caption of the program's message boxes.
    QApplication::setApplicationName(QStringLiteral("Path of alias"));
    TMan_Ambienti window;
    Man_Ambienti = &window;
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
