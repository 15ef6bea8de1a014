// tabletool: inspect, create, fill, export, index and check dBase and
// Paradox tables from the command line. Each command lives in its own file
// and registers itself (see Command.h).
#include "Command.h"

#include "programinfo/ProgramInfo.h"

#include <clocale>
#include <cstdio>
#include <exception>

namespace {

std::string usage() {
    std::string text = "usage:\n";
    for (const tabletool::Command& c : tabletool::commands())
        text += "  tabletool " + c.name + " " + c.usage + "\n";
    return text;
}

std::string help() {
    return "tabletool: inspect, create, fill, export, index and check dBase (DBF, DBT, MDX)\n"
           "and Paradox (DB, PX, MB) tables.\n\n" +
           usage() +
           "  tabletool --help | --version\n\n"
           "Exit status: 0 done, 1 a check found faults, 2 a command line tabletool does not\n"
           "take (with the usage on stderr), 3 an error in a table, the input or the output\n"
           "(one line on stderr; nothing written to the table).\n"
           "See tabletool(1).\n";
}

} // namespace

int main(int argc, char** argv) {
    // Messages of the system in the user's language; numbers do not depend on it.
    std::setlocale(LC_ALL, "");
    if (programinfo::answeredHelpOrVersion(argc, argv, "tabletool", help()))
        return 0;
    if (argc < 2) {
        std::fputs(usage().c_str(), stderr);
        return programinfo::ExitUsage;
    }
    const tabletool::Command* command = tabletool::findCommand(argv[1]);
    if (!command) {
        std::fprintf(stderr, "tabletool: unknown command \"%s\" (tabletool --help lists them)\n",
                     argv[1]);
        return programinfo::ExitUsage;
    }
    const std::string program = "tabletool " + command->name;
    int status = programinfo::ExitFailed;
    try {
        tabletool::Arguments args(std::vector<std::string>(argv + 2, argv + argc), command->options,
                                  command->minArgs, command->maxArgs);
        status = command->run(args);
    } catch (const tabletool::UsageError& e) {
        std::fprintf(stderr, "%s: %s (usage: tabletool %s %s)\n", program.c_str(), e.what(),
                     command->name.c_str(), command->usage.c_str());
        status = programinfo::ExitUsage;
    } catch (const std::exception& e) { // the engine's errors, the input's and the output's
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    }
    // Output that did not reach its file is a failure, whatever the command did.
    if (!programinfo::closedStandardOutput(program.c_str()))
        return programinfo::ExitFailed;
    return status;
}
