#pragma once

#include "TempDir.h"

#include <filesystem>

namespace support {

// What a program finds on a workstation, in a temporary directory: the
// system directory, the directory of the alias "DBZET", drive A: and the
// engine configuration, with the environment pointing the programs at them.
struct Workspace {
    Workspace();

    // Writes the engine configuration, with or without the alias "DBZET";
    // drive A: is always mapped to `floppy`.
    void writeConfig(bool withAlias) const;

    TempDir root;
    std::filesystem::path system, tables, floppy, config;
};

} // namespace support
