#include "programinfo/ProgramInfo.h"
#include "shell/PlanCommand.h"
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
    "       dicttool --plan create|update|copy [--application SUFFIX]\n"
    "       dicttool --run create|update|copy [--application SUFFIX] [--accept-loss]\n"
    "       dicttool --plan check [--application SUFFIX]\n"
    "\n"
    "--plan prints what a run would do, table by table (fields added, dropped and\n"
    "changed, tags, values lost or cut), and changes nothing: exit 0 when nothing\n"
    "would be lost, 1 when values would be lost, 2 when the run would be refused.\n"
    "--run carries the run out as the function screen does and marks the\n"
    "applications installed; a run that would lose values is refused (exit 2)\n"
    "unless --accept-loss is given, and then keeps the old tables in BACKUP_*\n"
    "folders beside them. --plan check compares the tables with the dictionary and\n"
    "lists leftovers of interrupted runs: exit 0 when everything matches, else 1.\n"
    "Without --application a run takes every installed application. Every start\n"
    "finishes or undoes a table update that an earlier run left half done.\n"
    "Exit 3: the run failed (its message on standard error).\n"
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
    if (isPlanCommand(argc, argv))
        return runPlanCommand(argc, argv);
    if (isReportCommand(argc, argv))
        return runReportCommand(argc, argv);
    return runDicttool(argc, argv);
}
