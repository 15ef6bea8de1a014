#include "shell/Startup.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// One QApplication for the whole run; dates print as in Italy, whatever the machine.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
