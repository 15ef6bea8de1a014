#pragma once

#include "engine/config/IniFile.h"

#include <filesystem>
#include <string_view>

namespace engine {

// The directory of a drive letter from the [drives] section of the engine
// configuration ("A = /media/floppy"). A: is /media/floppy unless mapped;
// another drive that is not mapped is EngineError(BadPath).
std::filesystem::path driveDirectory(const IniFile& config, char drive);

// True for a text that starts with a drive ("A:", "a:\ZET_BASE").
bool isDriveText(std::string_view text);

// A path text of the programs as a directory or file name: a drive text
// ("A:", "A:\ZET_BASE", "A:T_BASE.DBF") is the drive's directory joined with
// the rest, whose parts are separated by "\" or "/"; any other text is the
// path itself.
std::filesystem::path resolvePath(std::string_view text, const IniFile& config);

} // namespace engine
