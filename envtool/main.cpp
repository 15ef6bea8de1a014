#include "envtool/Man_Ambienti.h"
#include "programinfo/ProgramInfo.h"

#include <QApplication>

namespace {

const char* const Help =
    "envtool: keeps a list of up to ten table directories in TM_BASE.TXT and points\n"
    "the alias DBZET, through which dicttool finds its tables, at one of them.\n"
    "\n"
    "usage: envtool [--help | --version]\n"
    "\n"
    "Files:\n"
    "  TM_BASE.TXT  in $SCHEDAX_SYSTEM_DIR, else $XDG_DATA_HOME/schedax\n"
    "               (~/.local/share/schedax)\n"
    "  aliases      $SCHEDAX_ENGINE_CONFIG, else $XDG_CONFIG_HOME/schedax/engine.conf\n"
    "               (~/.config/schedax/engine.conf)\n";

} // namespace

int main(int argc, char* argv[]) {
    if (programinfo::answeredHelpOrVersion(argc, argv, "envtool", Help))
        return 0;
    if (programinfo::refusedArguments(argc, argv, "envtool"))
        return programinfo::ExitUsage;
    QApplication app(argc, argv);
    // The application title: the caption of the program's message boxes.
    QApplication::setApplicationName(QStringLiteral("Path of alias"));
    TMan_Ambienti window;
    Man_Ambienti = &window;
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
