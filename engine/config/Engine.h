#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct AliasInfo {
    std::string name;
    std::string driver; // "DBASE", "PARADOX" or "STANDARD"
    std::string path;   // as given when the alias was added; see Engine::resolveLocation
};

// A session with the database engine: start and stop, persistent aliases and
// the resolution of location texts. The calls that return a 16-bit result
// (0 = success, otherwise a code of engine/EngineError.h) never throw; the
// others throw EngineError. Aliases live in the engine configuration (see
// engine/config/EngineConfig.h) and are seen by every program at once.
class Engine {
public:
    // An empty `configFile` means engineConfigFile() at init().
    explicit Engine(std::filesystem::path configFile = {});

    // Starts the session: fixes the configuration file and checks that it
    // can be read (IoError when not). Lines of it that cannot be read are
    // left out and named by configProblems().
    std::uint16_t init();
    const std::vector<std::string>& configProblems() const { return configProblems_; }
    std::uint16_t exit();
    bool active() const { return active_; }
    const std::filesystem::path& configFile() const { return configFile_; }

    // Adds a persistent alias. `driver` is "DBASE", "PARADOX" or "STANDARD";
    // `parameters` is "PATH:" followed by the directory. Results: Success,
    // InvalidParameter (bad name, driver or parameters), BadPath (the
    // directory does not exist), AliasExists, IoError (cannot write).
    std::uint16_t addAlias(std::string_view name, std::string_view driver,
                           std::string_view parameters);
    // Results: Success, InvalidParameter (bad name), AliasNotFound, IoError.
    std::uint16_t deleteAlias(std::string_view name);

    // Throws EngineError(AliasNotFound) naming the alias when it is missing.
    AliasInfo alias(std::string_view name) const;
    std::vector<std::string> aliasNames() const;

    // The directory (or file) that a location text names: an alias name (a
    // plain name without separators) is the alias's path; a directory path is
    // itself; a drive text ("A:", "A:\ZET_BASE", "A:T_BASE.DBF") is the
    // drive's mapped directory joined with the rest.
    std::filesystem::path resolveLocation(std::string_view location) const;
    // The same for a text that is always a path, never an alias name.
    std::filesystem::path resolvePath(std::string_view path) const;

private:
    void requireActive() const;

    std::filesystem::path configFile_;
    std::vector<std::string> configProblems_;
    bool active_ = false;
};

} // namespace engine
