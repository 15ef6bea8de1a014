#include "tableops/TableBuild.h"

#include "engine/base/EngineError.h"
#include "engine/dataset/BatchMove.h"
#include "engine/drivers/Tables.h"
#include "engine/files/BinaryFile.h"
#include "tableops/TablePlan.h"
#include "tableops/UpdateJournal.h"

namespace operations {

using engine::EngineError;
namespace fs = std::filesystem;

namespace {

const std::string SavedPrefix = "$$";

// The journal of the update `plan` describes, at its first step.
UpdateJournal journalFor(const TablePlan& plan, const fs::path& workDir, const fs::path& backup) {
    UpdateJournal journal;
    journal.file = UpdateJournal::pathFor(workDir, plan.table);
    journal.table = plan.table;
    journal.newTable = workDir / (plan.table + plan.type.FileExt);
    if (plan.action == TablePlan::Finish) {
        journal.savedTable = plan.source;
    } else if (!plan.source.empty()) {
        journal.savedTable = workDir / (SavedPrefix + plan.source.filename().string());
        for (const fs::path& file : engine::tableFiles(plan.source))
            journal.renames.emplace_back(file, workDir / (SavedPrefix + file.filename().string()));
    }
    if (!journal.savedTable.empty())
        journal.backup = backup;
    return journal;
}

// Every file of the table on the disk before the journal says so (the
// journal's next step flushes the directory).
void flushTable(const fs::path& table) {
    for (const fs::path& file : engine::tableFiles(table))
        engine::BinaryFile(file, engine::BinaryFile::Mode::ReadWrite).sync();
}

} // namespace

void TableType::setFromCode(const std::string& code) {
    if (code.empty())
        return;
    if (code[0] == '0')
        *this = {"DBASE", ".DBF", 0};
    else if (code[0] == '1')
        *this = {"PARADOX", ".DB", 1};
}

int fieldTypeCode(const std::string& letter, int tableKind) {
    static const struct {
        char letter;
        int dbase, paradox;
    } types[] = {{'C', 0x201, 0x101}, {'N', 0x202, 0x102}, {'D', 0x205, 0x104},
                 {'L', 0x204, 0x10E}, {'M', 0x203, 0x106}, {'O', 0x208, 0x109}};
    if (letter.empty())
        return 0;
    for (const auto& type : types)
        if (type.letter == letter[0])
            return tableKind == 1 ? type.paradox : type.dbase;
    return 0;
}

TableBuild::TableBuild(fs::path workDir) : workDir_(std::move(workDir)) {}

void TableBuild::step(BuildStep reached) {
    if (OnStep)
        OnStep(reached);
}

InexactValues TableBuild::run(const TablePlan& plan, const fs::path& backup) {
    if (!plan.refusals.empty())
        throw EngineError(engine::code::InvalidParameter,
                          "Table " + plan.table + " cannot be built: " + plan.refusals[0].reason);
    UpdateJournal journal = journalFor(plan, workDir_, backup);
    journal.write();
    step(BuildStep::Journaled);
    try {
        renameSaved(journal);
        step(BuildStep::Renamed);
        journal.advance(UpdateJournal::Building);
    } catch (...) {
        renameBack(journal);
        journal.remove();
        throw;
    }
    InexactValues inexact;
    try {
        inexact = build(plan, journal);
        journal.advance(UpdateJournal::Built);
    } catch (...) {
        // The old table comes back as it was; should that fail too, the
        // journal stays for the next run to finish the undo.
        removeNewTable(journal);
        renameBack(journal);
        journal.remove();
        throw;
    }
    retireSaved(journal);
    step(BuildStep::SavedDeleted);
    journal.remove();
    return inexact;
}

InexactValues TableBuild::build(const TablePlan& plan, const UpdateJournal& journal) {
    InexactValues inexact{plan.table, {}};
    {
        auto table = engine::createTable(journal.newTable, plan.fields);
        step(BuildStep::Created);
        for (const engine::IndexDef& index : plan.indexes) {
            table->addIndex(index);
            step(BuildStep::IndexAdded);
        }
        if (!journal.savedTable.empty()) {
            auto saved = engine::openTable(journal.savedTable, {false, true});
            const std::uint64_t total = saved->rowCount();
            engine::MoveOptions options;
            options.abortOnProblem = false;
            options.skipKeyClashes = plan.refusesRows();
            options.progress = [this, total](std::uint64_t moved) {
                step(BuildStep::Moving);
                if (OnRows)
                    OnRows(moved, total);
            };
            // The move builds each index once, at its end.
            engine::MoveReport report = engine::moveRows(*saved, *table, options);
            inexact.fields = std::move(report.FieldProblems);
        }
    }
    flushTable(journal.newTable);
    step(BuildStep::Moved);
    return inexact;
}

} // namespace operations
