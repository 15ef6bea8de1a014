#include <QApplication>

#include <gtest/gtest.h>

// Windows and widgets need one QApplication for the whole run; it outlives
// every test. Each fixture names the program it starts (the caption of its
// boxes).
int main(int argc, char* argv[]) {
    // Also when the test list is read at build time, outside ctest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
