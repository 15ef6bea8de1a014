#pragma once

#include "engine/dataset/Table.h"
#include "engine/values/Date.h"
#include "support/ScriptedDialogs.h"
#include "support/Workspace.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << texts.join(" | ").toStdString();
}

// A fresh dictionary in a temporary system directory, the program created on
// it with scripted dialogs, and helpers that drive a window's controls by
// their names as a user would.
class EditorWorkspace : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Rows written straight into the dictionary before a window shows them.
    void addApplication(const std::string& code, const std::string& name);
    void addBaseTable(const std::string& name, const std::string& description,
                      const std::string& application = "", engine::Date date = OldDate);
    void addField(const std::string& table, int number, const std::string& name,
                  const std::string& description, const std::string& type = "C", int size = 10);
    void addIndex(const std::string& table, const std::string& name, const std::string& expression,
                  int keys = 1);

    // One row of T_BASE as read back from the file.
    struct Row {
        std::string kind, table, name, description, type, condition, application;
        int number = 0, size = 0;
        engine::Date date;
    };
    std::vector<Row> rows(const std::string& kind, const std::string& table = "") const;
    Row baseRow(const std::string& table) const;
    std::vector<std::string> applicationCodes() const;

    // Shows a window as the menu would, without waiting for it to close.
    static void open(QDialog& window);
    template <class Control> static Control* control(QWidget& window, const char* name) {
        auto* found = window.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(QWidget& window, const char* button);
    // Replaces the text of an edit box by typing.
    static void type(QWidget& window, const char* edit, const QString& text);
    static bool enabled(QWidget& window, const char* name);
    static QString text(QWidget& window, const char* name);
    static QString focused(QWidget& window);
    // True when the box has the window colour, false for the inactive-caption colour.
    static bool windowColoured(QWidget& window, const char* name);

    // Runs `action`, which shows a modal window, and closes that window as
    // soon as it is open after running `inside`; returns its object name.
    static QString whileModal(const std::function<void()>& action,
                              const std::function<void(QWidget&)>& inside = {});

    // The last box shown, "" when none.
    QString lastBox() const;

    static constexpr engine::Date OldDate = engine::Date::fromJulianDay(2451545); // 01/01/2000

    std::optional<support::Workspace> workspace;
    std::filesystem::path root, system, tables, config;
    support::ScriptedDialogs boxes;
};
