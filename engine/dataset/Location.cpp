#include "engine/dataset/Location.h"

#include "engine/EngineError.h"
#include "engine/config/Engine.h"

namespace engine {

std::filesystem::path resolveLocation(const std::string& databaseName) {
    if (databaseName.empty())
        return std::filesystem::current_path();
    // Aliases and drive letters live in the engine configuration.
    Engine session;
    if (std::uint16_t result = session.init(); result != code::Success)
        throw EngineError(result, "The engine configuration " + session.configFile().string() +
                                      " cannot be read");
    return session.resolveLocation(databaseName);
}

} // namespace engine
