#include "engine/config/Locations.h"

#include "engine/base/EngineError.h"

#include <cctype>

namespace engine {

namespace fs = std::filesystem;

namespace {
constexpr const char* DrivesSection = "drives";
constexpr const char* FloppyDirectory = "/media/floppy";
} // namespace

bool isDriveText(std::string_view text) {
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

fs::path driveDirectory(const IniFile& config, char drive) {
    std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive))));
    if (auto dir = config.value(DrivesSection, letter))
        return *dir;
    if (auto dir = config.value(DrivesSection, letter + ":"))
        return *dir;
    if (letter == "A")
        return FloppyDirectory;
    throw EngineError(code::BadPath, "Drive " + letter +
                                         ": is not mapped to a directory in the [drives] "
                                         "section of the engine configuration");
}

fs::path resolvePath(std::string_view text, const IniFile& config) {
    if (!isDriveText(text))
        return fs::path(text);
    fs::path path = driveDirectory(config, text[0]);
    std::string_view rest = text.substr(2);
    while (!rest.empty()) {
        std::size_t separator = rest.find_first_of("\\/");
        std::string_view part = rest.substr(0, separator);
        if (!part.empty())
            path /= part;
        rest =
            separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
    }
    return path;
}

} // namespace engine
