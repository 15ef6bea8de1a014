#include "programinfo/ProgramInfo.h"
#include "shell/ReportCommand.h"
#include "shell/Startup.h"

namespace {

const char* const Help =
    "dicttool: the Schedax data dictionary. Keeps the base tables, fields and indexes\n"
    "of each application in T_BASE and T_PROD and builds the physical dBase and\n"
    "Paradox tables in the directory of the alias DBZET (set it with envtool).\n"
    "\n"
    "usage: dicttool [--help | --version]\n"
    "       dicttool --report tables --pdf OUT.pdf\n"
    "       dicttool --report fields --table NAME --pdf OUT.pdf\n"
    "       dicttool --report roster [--application SUFFIX] --pdf OUT.pdf\n"
    "\n"
    "Files:\n"
    "  dictionary  $SCHEDAX_SYSTEM_DIR, else $XDG_DATA_HOME/schedax\n"
    "              (~/.local/share/schedax)\n"
    "  aliases     $SCHEDAX_ENGINE_CONFIG, else $XDG_CONFIG_HOME/schedax/engine.conf\n"
    "              (~/.config/schedax/engine.conf)\n";

} // namespace

int main(int argc, char* argv[]) {
    if (programinfo::answeredHelpOrVersion(argc, argv, "dicttool", Help))
        return 0;
    if (isReportCommand(argc, argv))
        return runReportCommand(argc, argv);
    return runDicttool(argc, argv);
}
