#pragma once

#include "envtool/Man_Ambienti.h"
#include "envtool/StringGrid.h"
#include "support/FileBytes.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

// Every test gets its own system directory and engine configuration in a
// temporary directory, scripted dialogs, and the window as the program has it.
class EnvtoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The caption of the program's boxes.
        QApplication::setApplicationName(QStringLiteral("Path of alias"));
        ::setenv("SCHEDAX_SYSTEM_DIR", (dir / "system").c_str(), 1);
        ::setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);
        std::filesystem::create_directories(dir / "system");
    }
    void TearDown() override { window.reset(); }

    // Creates the window and shows it; its first activation fills the grid.
    void start() {
        window = std::make_unique<TMan_Ambienti>();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_EQ(grid()->rowCount(), 11);
    }

    StringGrid* grid() const { return window->findChild<StringGrid*>("GridAmb"); }
    void click(const char* button) const {
        auto* found = window->findChild<QAbstractButton*>(button);
        ASSERT_NE(found, nullptr) << button;
        found->click();
    }
    // Clicks the path cell of a row, as the user selects an entry.
    void selectRow(int row) const {
        QTableWidgetItem* item = grid()->item(row, 2);
        grid()->scrollToItem(item);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualItemRect(item).center());
    }
    // Types into whatever has the focus, key by key, as the user does.
    static void type(const QString& text) {
        for (QChar key : text)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }
    // The editor commits Return through the event queue.
    static void press(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QCoreApplication::processEvents();
    }
    void setRow(int row, const QString& description, const QString& path) const {
        grid()->setCell(1, row, description);
        grid()->setCell(2, row, path);
    }

    void writeList(const std::string& bytes) const { support::writeBytes(listFile, bytes); }
    std::string listText() const { return support::readBytes(listFile); }
    static std::string emptyLines(int count) {
        std::string lines;
        for (int i = 0; i < count; ++i)
            lines += "\r\n";
        return lines;
    }
    QString qpath(const std::filesystem::path& path) const {
        return QString::fromStdString(path.string());
    }

    support::TempDir temp{"schedax-envtool"};
    std::filesystem::path dir = temp.path();
    std::filesystem::path listFile = dir / "system" / "TM_BASE.TXT";
    std::filesystem::path config = dir / "engine.conf";
    support::ScriptedDialogs dialogs;
    std::unique_ptr<TMan_Ambienti> window;
};
