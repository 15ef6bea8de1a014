#include "tableops/UpdateJournal.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/drivers/Tables.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FaultSeam.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace operations {

namespace fs = std::filesystem;
using engine::EngineError;

namespace {

const std::string Heading = "Schedax table update";
// Of one width, so that a step is overwritten in place; read without the
// blanks (journals of earlier versions have none).
const char* const StepNames[] = {"saving  ", "building", "built   "};
constexpr std::size_t StepWidth = 8;

std::string trimmedRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Where the step's name begins in the journal of `table`.
std::size_t stepOffset(const std::string& table) {
    return Heading.size() + 1 + std::string("table\t").size() + table.size() + 1 +
           std::string("step\t").size();
}

fs::path dirOf(const UpdateJournal& journal) {
    return journal.file.parent_path();
}

// A name of the journal: a file of its directory, or "" for none.
std::string nameOf(const fs::path& path) {
    return path.empty() ? std::string() : path.filename().string();
}

fs::path inDir(const UpdateJournal& journal, const std::string& name) {
    return name.empty() ? fs::path() : dirOf(journal) / name;
}

[[noreturn]] void unreadable(const fs::path& file, const std::string& why) {
    throw EngineError(engine::code::FileCorrupt,
                      "The update journal " + file.string() + " cannot be read: " + why +
                          ". Its table is left as it is; remove the journal only after checking "
                          "the table and the saved table beside it");
}

// The table file goes last, so that a table is never left as companions
// without their table while its removal is under way.
std::vector<fs::path> filesTableLast(const fs::path& table) {
    std::vector<fs::path> files = engine::tableFiles(table);
    std::stable_partition(files.begin(), files.end(), [&](const fs::path& file) {
        return !engine::equalsIgnoreCase(file.filename().string(), table.filename().string());
    });
    return files;
}

std::string withoutSavedPrefix(const std::string& name) {
    return name.rfind("$$", 0) == 0 ? name.substr(2) : name;
}

void makeDirectory(const fs::path& dir) {
    std::error_code ec;
    if (fs::is_directory(dir, ec))
        return;
    engine::faults::beforeFileOperation(dir.string());
    fs::create_directory(dir, ec);
    if (ec)
        throw EngineError(engine::code::IoError,
                          "Cannot create the backup folder " + dir.string() + ": " + ec.message());
    engine::syncDirectory(dir.parent_path());
}

} // namespace

fs::path UpdateJournal::pathFor(const fs::path& workDir, const std::string& table) {
    return workDir / ("$$" + engine::toUpperAscii(table) + ".JRN");
}

void UpdateJournal::write() const {
    std::ostringstream text;
    text << Heading << "\n";
    text << "table\t" << table << "\n";
    text << "step\t" << StepNames[step] << "\n";
    text << "new\t" << nameOf(newTable) << "\n";
    text << "saved\t" << nameOf(savedTable) << "\n";
    for (const auto& [from, to] : renames)
        text << "rename\t" << nameOf(from) << "\t" << nameOf(to) << "\n";
    text << "backup\t" << backup.string() << "\n";
    engine::writeFileAtomically(file, text.str());
}

void UpdateJournal::advance(Step next) {
    engine::syncDirectory(dirOf(*this));
    engine::BinaryFile journal(file, engine::BinaryFile::Mode::ReadWrite);
    journal.writeAt(stepOffset(table), StepNames[next], StepWidth);
    journal.sync();
    step = next;
}

// Not flushed: a journal that outlives its removal in a crash only repeats
// steps already done.
void UpdateJournal::remove() const {
    engine::removeFile(file);
}

UpdateJournal UpdateJournal::read(const fs::path& file) {
    std::ifstream in(file);
    if (!in)
        unreadable(file, "it cannot be opened");
    std::string line;
    if (!std::getline(in, line) || line != Heading)
        unreadable(file, "it is not an update journal");
    UpdateJournal journal;
    journal.file = file;
    bool ended = false;
    while (std::getline(in, line)) {
        std::vector<std::string> parts;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            parts.push_back(cell);
        if (parts.empty())
            continue;
        const std::string& key = parts[0];
        const std::string value = parts.size() > 1 ? parts[1] : std::string();
        if (key == "table") {
            journal.table = value;
        } else if (key == "step") {
            auto found =
                std::find_if(std::begin(StepNames), std::end(StepNames), [&](const char* name) {
                    return trimmedRight(name) == trimmedRight(value);
                });
            if (found == std::end(StepNames))
                unreadable(file, "its step \"" + value + "\" is unknown");
            journal.step = static_cast<Step>(found - std::begin(StepNames));
        } else if (key == "new") {
            journal.newTable = inDir(journal, value);
        } else if (key == "saved") {
            journal.savedTable = inDir(journal, value);
        } else if (key == "rename" && parts.size() == 3) {
            journal.renames.emplace_back(inDir(journal, parts[1]), inDir(journal, parts[2]));
        } else if (key == "backup") {
            journal.backup = value;
            ended = true; // the last line: a journal cut short never has it
        } else {
            unreadable(file, "its line \"" + line + "\" is unknown");
        }
    }
    if (!ended || journal.table.empty() || journal.newTable.empty())
        unreadable(file, "it is incomplete");
    return journal;
}

std::vector<fs::path> UpdateJournal::leftIn(const fs::path& workDir) {
    std::vector<fs::path> journals;
    for (const fs::path& entry : engine::directoryEntries(workDir)) {
        std::string name = entry.filename().string();
        if (name.rfind("$$", 0) == 0 &&
            engine::equalsIgnoreCase(entry.extension().string(), ".JRN"))
            journals.push_back(entry);
    }
    std::sort(journals.begin(), journals.end());
    return journals;
}

void renameSaved(const UpdateJournal& journal) {
    for (const auto& [from, to] : journal.renames)
        if (engine::fileExists(from) && !engine::fileExists(to))
            engine::renameFile(from, to);
    if (!journal.savedTable.empty() && engine::fileExists(journal.savedTable))
        engine::nameCompanions(journal.savedTable);
    // The renames reach the disk with the journal's next step, which
    // flushes this directory.
}

void renameBack(const UpdateJournal& journal) {
    if (journal.renames.empty())
        return;
    for (auto it = journal.renames.rbegin(); it != journal.renames.rend(); ++it)
        if (engine::fileExists(it->second) && !engine::fileExists(it->first))
            engine::renameFile(it->second, it->first);
    // The old table's own file is the one whose saved name is the saved table.
    for (const auto& [from, to] : journal.renames)
        if (to == journal.savedTable && engine::fileExists(from))
            engine::nameCompanions(from);
    engine::syncDirectory(dirOf(journal));
}

void removeNewTable(const UpdateJournal& journal) {
    for (const fs::path& file : filesTableLast(journal.newTable))
        engine::removeFile(file);
    engine::syncDirectory(dirOf(journal));
}

void retireSaved(const UpdateJournal& journal) {
    if (journal.savedTable.empty())
        return;
    std::vector<fs::path> files = filesTableLast(journal.savedTable);
    if (journal.backup.empty()) {
        for (const fs::path& file : files)
            engine::removeFile(file);
    } else {
        makeDirectory(journal.backup);
        for (const fs::path& file : files)
            engine::renameFile(file, journal.backup / withoutSavedPrefix(file.filename().string()));
        fs::path kept = journal.backup / withoutSavedPrefix(journal.savedTable.filename().string());
        if (engine::fileExists(kept))
            engine::nameCompanions(kept);
        engine::syncDirectory(journal.backup);
    }
    engine::syncDirectory(dirOf(journal));
}

std::vector<std::string> recoverUpdates(const fs::path& workDir) {
    std::vector<std::string> done;
    std::error_code ec;
    if (workDir.empty() || !fs::is_directory(workDir, ec))
        return done;
    for (const fs::path& file : UpdateJournal::leftIn(workDir)) {
        UpdateJournal journal = UpdateJournal::read(file);
        std::string line = journal.table + ": ";
        switch (journal.step) {
        case UpdateJournal::Saving:
            renameBack(journal);
            line += "an interrupted update was undone; the table is as it was before it";
            break;
        case UpdateJournal::Building:
            removeNewTable(journal);
            renameBack(journal);
            line += "an interrupted update was undone; the table is as it was before it";
            break;
        case UpdateJournal::Built:
            retireSaved(journal);
            line += "an interrupted update was finished";
            if (!journal.backup.empty())
                line += "; the old table is kept in " + journal.backup.string();
            break;
        }
        journal.remove();
        done.push_back(line);
    }
    return done;
}

} // namespace operations
