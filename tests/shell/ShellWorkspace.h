#pragma once

#include "support/ScriptedDialogs.h"
#include "support/Workspace.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// A temporary system directory, alias directory and drive A: with the
// environment pointing at them, and the program created on them with
// scripted dialogs; everything is freed and removed afterwards.
class ShellWorkspace : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void start();

    // Runs `action`, which shows a modal window; the window is closed as soon
    // as it is open. Returns the object name of the window that was open.
    static QString closingModal(const std::function<void()>& action);

    std::optional<support::Workspace> workspace;
    std::filesystem::path root, system, tables, floppy, config;
    support::ScriptedDialogs boxes;
};
