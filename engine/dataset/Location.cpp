#include "engine/dataset/Location.h"

#include "engine/EngineError.h"
#include "engine/config/Engine.h"

namespace engine {

std::filesystem::path resolveLocation(const std::string& databaseName) {
    if (databaseName.empty())
        return std::filesystem::current_path();
    Engine session;
    if (std::uint16_t result = session.init())
        throw EngineError(result,
                          "Cannot read the engine configuration " + session.configFile().string());
    return session.resolveLocation(databaseName);
}

} // namespace engine
