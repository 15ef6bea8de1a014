#include <QApplication>

#include <gtest/gtest.h>

// The widgets need one QApplication for the whole run.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Schedax - Brevon \u00AE"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
