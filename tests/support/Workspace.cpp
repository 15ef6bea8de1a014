#include "Workspace.h"

#include <cstdlib>
#include <fstream>

namespace support {

Workspace::Workspace()
    : root("schedax-workspace"), system(root / "system"), tables(root / "tables"),
      floppy(root / "floppy"), config(root / "engine.conf") {
    for (const auto& dir : {system, tables, floppy})
        std::filesystem::create_directories(dir);
    writeConfig(true);
    ::setenv("SCHEDAX_SYSTEM_DIR", system.c_str(), 1);
    ::setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);
}

void Workspace::writeConfig(bool withAlias) const {
    std::ofstream out(config, std::ios::trunc);
    if (withAlias)
        out << "[DBZET]\ndriver = DBASE\npath = " << tables.string() << "\n\n";
    out << "[drives]\nA = " << floppy.string() << "\n";
}

} // namespace support
