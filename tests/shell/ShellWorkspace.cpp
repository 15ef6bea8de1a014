#include "ShellWorkspace.h"

#include "shell/Startup.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <fstream>
#include <random>
#include <sstream>

void ShellWorkspace::SetUp() {
    std::random_device rd;
    root = std::filesystem::temp_directory_path() / ("shell-test-" + std::to_string(rd()));
    system = root / "system";
    tables = root / "tables";
    floppy = root / "floppy";
    config = root / "engine.conf";
    for (const auto& dir : {system, tables, floppy})
        std::filesystem::create_directories(dir);
    writeConfig(true);
    setenv("SCHEDAX_SYSTEM_DIR", system.c_str(), 1);
    setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);
}

void ShellWorkspace::start() {
    createProgram();
}

void ShellWorkspace::TearDown() {
    destroyProgram();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

void ShellWorkspace::writeConfig(bool withAlias) const {
    std::ofstream out(config);
    if (withAlias)
        out << "[DBZET]\ndriver = DBASE\npath = " << tables.string() << "\n\n";
    out << "[drives]\nA = " << floppy.string() << "\n";
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

std::string ShellWorkspace::bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
