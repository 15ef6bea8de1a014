#include "engine/dataset/Location.h"

#include "engine/base/EngineError.h"
#include "engine/config/Engine.h"
#include "engine/config/EngineConfig.h"

namespace engine {

std::filesystem::path resolveLocation(const std::string& databaseName) {
    if (databaseName.empty()) {
        std::error_code ec;
        std::filesystem::path here = std::filesystem::current_path(ec);
        if (ec)
            throw EngineError(code::BadPath,
                              "The working directory cannot be used: " + ec.message());
        return here;
    }
    Engine session;
    if (std::uint16_t result = session.init()) {
        readEngineConfig(session.configFile()); // throws the reason, naming the file
        throw EngineError(result,
                          "Cannot read the engine configuration " + session.configFile().string());
    }
    return session.resolveLocation(databaseName);
}

} // namespace engine
