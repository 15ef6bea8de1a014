#include <QApplication>

#include <gtest/gtest.h>

// The widgets need one QApplication for the whole run; it must outlive every
// test and go before the program's static objects do.
int main(int argc, char* argv[]) {
    // Also when the test list is read at build time, outside ctest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Path of alias"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
