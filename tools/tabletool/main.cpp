// tabletool: inspect, create, fill, export, index and check dBase and
// Paradox tables from the command line. Each command lives in its own file
// and registers itself (see Command.h).
#include "Command.h"

#include "engine/EngineError.h"

#include <cstdio>
#include <exception>

namespace {

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const tabletool::Command& c : tabletool::commands())
        std::fprintf(out, "  tabletool %s %s\n", c.name.c_str(), c.usage.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help") {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const tabletool::Command* command = tabletool::findCommand(argv[1]);
    if (!command) {
        std::fprintf(stderr, "tabletool: unknown command \"%s\" (tabletool --help lists them)\n",
                     argv[1]);
        return 2;
    }
    try {
        tabletool::Arguments args(std::vector<std::string>(argv + 2, argv + argc), command->options,
                                  command->minArgs, command->maxArgs);
        return command->run(args);
    } catch (const tabletool::UsageError& e) {
        std::fprintf(stderr, "tabletool %s: %s (usage: tabletool %s %s)\n", command->name.c_str(),
                     e.what(), command->name.c_str(), command->usage.c_str());
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "tabletool %s: %s\n", command->name.c_str(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tabletool %s: %s\n", command->name.c_str(), e.what());
    }
    return 2;
}
