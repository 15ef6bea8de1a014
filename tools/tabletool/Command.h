#pragma once

#include "Arguments.h"

#include <string>
#include <vector>

namespace tabletool {

// One sub-command: `tabletool NAME ...`. A command registers itself from its
// own file with a RegisterCommand object; main() finds it by name.
struct Command {
    std::string name;
    std::string usage;                    // arguments after the name, for the usage line
    std::vector<std::string> options;     // "--tag=" takes a value, "--unique" does not
    std::size_t minArgs = 0, maxArgs = 0; // positional arguments
    int (*run)(const Arguments& args);
};

const std::vector<Command>& commands();
const Command* findCommand(const std::string& name);

struct RegisterCommand {
    explicit RegisterCommand(Command command);
};

} // namespace tabletool
