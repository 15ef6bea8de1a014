#pragma once

#include "dictionary/Dm_Vadem.h"

#include <filesystem>

// Replaces the local dictionary (DictPath) with the one on the floppy disk
// in drive A: and merges the floppy's applications into the local T_PROD.
//  - A floppy table that is present but is not a readable dBase table of the
//    dictionary's layout is refused before any file changes.
//  - Every file is copied to a temporary name beside its target and renamed
//    over it: an interruption leaves the old file or the new one.
//  - A table copied without its index (or an index without its table, or
//    with an index that does not agree with it) gets its local index rebuilt
//    from the table, so the pair stays consistent.
//  - With a local T_PROD (any T_PROD.* file) the floppy's applications are
//    merged: codes missing locally are added, not installed and undated.
//    tmDmmys and tmTable are pointed back at "DBZET" whatever happens.
void restoreBaseTables(TDm_Vadem& module);

// The directory of drive A: from the engine configuration.
std::filesystem::path floppyDirectory();
