#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace operations {

// The journal of one table's update, a small file beside the tables
// ("$$NAME.JRN"). It is written and flushed before the first file of the
// table is renamed and rewritten at each step, so that a run killed at any
// point leaves enough to finish the update or to put the old table back:
//
//   Saving    the old table's files are being renamed to the saved names;
//             undone by renaming back those already renamed.
//   Building  the new table is being made and filled from the saved one;
//             undone by removing the new table's files, then renaming back.
//   Built     every row is in the new table, on the disk; finished by
//             removing the saved table's files, or moving them into the
//             backup folder.
//
// Every step can be repeated from wherever it stopped: a rename whose
// target exists is done, a file already gone is removed.
struct UpdateJournal {
    enum Step { Saving, Building, Built };

    std::filesystem::path file; // the journal itself
    std::string table;
    Step step = Saving;
    std::filesystem::path newTable;   // the table being built
    std::filesystem::path savedTable; // the table its rows come from ("" for none)
    // The old table's files and their saved names, in the order renamed.
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> renames;
    // Where the saved table's files go at the end instead of being removed
    // ("" to remove them).
    std::filesystem::path backup;

    // The journal's path for `table` in `workDir`.
    static std::filesystem::path pathFor(const std::filesystem::path& workDir,
                                         const std::string& table);
    // Writes the journal (a new file renamed over the old one) and flushes
    // it and its directory to the disk.
    void write() const;
    // Moves a written journal on to `next`: flushes the directory (the
    // renames and new files of the step before), then overwrites the step in
    // place, a few bytes of one sector, and flushes the journal.
    void advance(Step next);
    // Removes the journal once its update is over (not flushed: a journal
    // that outlives a crash only repeats steps already done).
    void remove() const;
    static UpdateJournal read(const std::filesystem::path& file);

    // The journals left in `workDir` by runs that did not end.
    static std::vector<std::filesystem::path> leftIn(const std::filesystem::path& workDir);
};

// What the steps do to the files; each is safe to repeat.
void renameSaved(const UpdateJournal& journal); // the old table to its saved names
void renameBack(const UpdateJournal& journal);  // the saved names back to the old table
void removeNewTable(const UpdateJournal& journal);
void retireSaved(const UpdateJournal& journal); // removes or backs up the saved table

// Finishes or undoes every update that a journal in `workDir` records, with
// no question; one line per table says what was done ("CLIENTI: the
// interrupted update was finished"). Throws when a journal cannot be
// carried out, leaving it in place for the next run.
std::vector<std::string> recoverUpdates(const std::filesystem::path& workDir);

} // namespace operations
