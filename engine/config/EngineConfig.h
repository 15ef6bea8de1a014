#pragma once

#include "engine/config/IniFile.h"

#include <filesystem>
#include <functional>

namespace engine {

// The engine configuration: an INI file with one section per persistent alias
// (`driver`, `path`) and a [drives] section that maps drive letters to
// directories. It is $SCHEDAX_ENGINE_CONFIG when set, else
// $XDG_CONFIG_HOME/schedax/engine.conf (~/.config/schedax/engine.conf).
std::filesystem::path engineConfigFile();

// The system directory, home of the dictionary and of the path list:
// $SCHEDAX_SYSTEM_DIR when set, else $XDG_DATA_HOME/schedax
// (~/.local/share/schedax). Created when missing.
std::filesystem::path systemDirectory();

// The configuration as it is now; empty when the file does not exist. Files are
// only ever replaced whole, so a reader never sees half of one.
IniFile readEngineConfig(const std::filesystem::path& file);

// Read-modify-write under an exclusive lock on a lock file beside the
// configuration, so that two programs changing it at once never lose one
// another's change. `change` returns whether it changed anything; only then is
// the file rewritten (atomically). An exception from `change` writes nothing.
void changeEngineConfig(const std::filesystem::path& file,
                        const std::function<bool(IniFile&)>& change);

} // namespace engine
