#pragma once

#include "dictionary/Dm_Vadem.h"

#include <filesystem>

// Replaces the local dictionary (DictPath) with the one on the floppy disk
// in drive A: and merges the floppy's applications into the local T_PROD,
// all or nothing:
//  - The local T_BASE.DBF and T_PROD.DBF are held exclusively for the whole
//    run; a program that has one open is named and nothing changes.
//  - Every floppy table is read whole, read-only and shared, and refused
//    unless it has the dictionary's field names and types (in any order and
//    widths: other engines write their own) and every value fits the
//    dictionary's field. One of another layout is restored in ours.
//  - The new files are made in a staging directory beside the dictionary:
//    copies with the local files' modes, indexes rebuilt where a table came
//    without its index (or the reverse, or they did not agree), the merge of
//    the applications into a copy of the local T_PROD (codes missing locally
//    are added, not installed and undated; a damaged local index is rebuilt;
//    a damaged local table gives way to the floppy's and is kept as
//    T_PROD.DBF.damaged). Each is checked and flushed to the disk; only then
//    are they renamed over the dictionary's files.
//  - tmDmmys and tmTable are pointed back at "DBZET" whatever happens.
void restoreBaseTables(TDm_Vadem& module);

// The directory of drive A: from the engine configuration.
std::filesystem::path floppyDirectory();
