#pragma once

#include <filesystem>

namespace dictionary {

// Makes a workspace to try dicttool on, in `dir`:
//   dir/system       a sample dictionary: three applications, eleven base
//                    tables of both types with fields and indexes, four of
//                    them marked "Copy data."
//   dir/engine.conf  the alias "DBZET" on dir/tables, drive A: on dir/floppy
//   dir/tables       the alias's directory (empty)
//   dir/floppy       a dictionary to restore (one more application) and, in
//                    ZET_BASE, the reference tables of the "Copy data." tables
// Existing files of the same names are replaced.
void makeDemoWorkspace(const std::filesystem::path& dir);

// The sample dictionary alone, in `dir`; `withExtraApplication` adds the
// application "PR" and its tables (the floppy's copy has it).
void writeSampleDictionary(const std::filesystem::path& dir, bool withExtraApplication);

} // namespace dictionary
