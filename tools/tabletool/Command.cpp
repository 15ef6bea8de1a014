#include "Command.h"

namespace tabletool {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> all;
    return all;
}
} // namespace

const std::vector<Command>& commands() {
    return registry();
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

RegisterCommand::RegisterCommand(Command command) {
    registry().push_back(std::move(command));
}

} // namespace tabletool
