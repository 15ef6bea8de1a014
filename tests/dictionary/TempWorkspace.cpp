#include "TempWorkspace.h"

#include <fstream>

void TempWorkspace::writeConfig(bool withAlias) const {
    std::ofstream out(config);
    if (withAlias)
        out << "[DBZET]\ndriver = DBASE\npath = " << tables.string() << "\n\n";
    out << "[drives]\nA = " << floppy.string() << "\n";
}
