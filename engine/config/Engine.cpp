#include "engine/config/Engine.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/base/Text.h"
#include "engine/config/EngineConfig.h"
#include "engine/config/Locations.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace engine {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view PathParameter = "PATH:";
constexpr std::array<std::string_view, 3> Drivers = {"DBASE", "PARADOX", "STANDARD"};

// A name that can be a section of the configuration and is not its [drives].
bool isValidAliasName(std::string_view name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ' ||
        equalsIgnoreCase(name, "drives"))
        return false;
    return std::none_of(name.begin(), name.end(), [](unsigned char c) {
        return c < 0x20 || c == 0x7F || std::strchr("[]=;#/\\:", c);
    });
}

// A location text that names an alias rather than a directory.
bool isAliasText(std::string_view text) {
    return !text.empty() && text != "." && text != ".." &&
           text.find_first_of("/\\:") == std::string_view::npos;
}

std::uint16_t resultOf(const auto& call) {
    try {
        return engineBoundary({}, call);
    } catch (const EngineError& error) {
        return error.code();
    }
}

} // namespace

Engine::Engine(fs::path configFile) : configFile_(std::move(configFile)) {}

std::uint16_t Engine::init() {
    return resultOf([&] {
        if (configFile_.empty())
            configFile_ = engineConfigFile();
        configProblems_ = readEngineConfig(configFile_).problems();
        active_ = true;
        return code::Success;
    });
}

std::uint16_t Engine::exit() {
    active_ = false;
    return code::Success;
}

void Engine::requireActive() const {
    if (!active_)
        throw EngineError(code::NotActive, "The database engine is not started");
}

std::uint16_t Engine::addAlias(std::string_view name, std::string_view driver,
                               std::string_view parameters) {
    return resultOf([&] {
        requireActive();
        std::string driverName = toUpperAscii(driver);
        if (!isValidAliasName(name) ||
            std::find(Drivers.begin(), Drivers.end(), driverName) == Drivers.end() ||
            parameters.size() < PathParameter.size() ||
            !equalsIgnoreCase(parameters.substr(0, PathParameter.size()), PathParameter))
            return code::InvalidParameter;
        std::string path(parameters.substr(PathParameter.size()));
        std::error_code ec;
        if (path.empty() || !fs::is_directory(resolvePath(path), ec))
            return code::BadPath;
        std::uint16_t result = code::Success;
        changeEngineConfig(configFile_, [&](IniFile& config) {
            if (config.hasSection(name)) {
                result = code::AliasExists;
                return false;
            }
            config.setValue(name, "driver", driverName);
            config.setValue(name, "path", path);
            return true;
        });
        return result;
    });
}

std::uint16_t Engine::deleteAlias(std::string_view name) {
    return resultOf([&] {
        requireActive();
        if (!isValidAliasName(name))
            return code::InvalidParameter;
        std::uint16_t result = code::Success;
        changeEngineConfig(configFile_, [&](IniFile& config) {
            if (config.removeSection(name))
                return true;
            result = code::AliasNotFound;
            return false;
        });
        return result;
    });
}

AliasInfo Engine::alias(std::string_view name) const {
    requireActive();
    IniFile config =
        engineBoundary(configFile_.native(), [&] { return readEngineConfig(configFile_); });
    for (const std::string& section : config.sectionNames()) {
        if (isValidAliasName(section) && equalsIgnoreCase(section, name))
            return {section, config.value(section, "driver").value_or(""),
                    config.value(section, "path").value_or("")};
    }
    throw EngineError(code::AliasNotFound, "Alias \"" + std::string(name) +
                                               "\" is not defined in the engine configuration " +
                                               configFile_.string());
}

std::vector<std::string> Engine::aliasNames() const {
    requireActive();
    std::vector<std::string> names = engineBoundary(
        configFile_.native(), [&] { return readEngineConfig(configFile_).sectionNames(); });
    std::erase_if(names, [](const std::string& name) { return !isValidAliasName(name); });
    return names;
}

fs::path Engine::resolveLocation(std::string_view location) const {
    if (isAliasText(location))
        return resolvePath(alias(location).path);
    return resolvePath(location);
}

fs::path Engine::resolvePath(std::string_view path) const {
    requireActive();
    return engineBoundary(configFile_.native(),
                          [&] { return engine::resolvePath(path, readEngineConfig(configFile_)); });
}

} // namespace engine
