#include "operations/Crt_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "tableops/PlanText.h"
#include "tableops/UpdateJournal.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

#include <algorithm>
#include <stdexcept>

TCrt_Archivi* Crt_Archivi = nullptr;

TCrt_Archivi::TCrt_Archivi(QWidget* parent)
    : operations::ProgressWindow(parent, QStringLiteral("Crt_Archivi"),
                                 QStringLiteral("Create / update table")) {
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    FormCreate();
}

void TCrt_Archivi::FormCreate() {
    WorkDir = Dm_Vadem->tmDBase.WorkingDirectory();
}

void TCrt_Archivi::FormActivate() {
    Succeeded = false;
    Inexact.clear();
    Backups.clear();
    if (!recoverFirst() || !makePlan() || !agreeToLosses())
        return;
    QString done = QStringLiteral("Function successfull.");
    for (const std::filesystem::path& backup : Backups)
        if (!backup.empty())
            done += QStringLiteral("\nThe old table is kept in ") +
                    QString::fromStdString(backup.string());
    bool succeeded = runTables(
        TableNames,
        [this](int i) {
            Type = Plan.tables[static_cast<std::size_t>(i)].type;
            CurrentTable = TableNames[i].toStdString();
            BuildTable();
        },
        done);
    operations::reportInexact(Inexact);
    Succeeded = succeeded;
}

bool TCrt_Archivi::recoverFirst() {
    try {
        std::vector<std::string> done = operations::recoverUpdates(WorkDir);
        if (!done.empty())
            ui::dialogs().message(QString::fromStdString(operations::joinLines(done)));
        return true;
    } catch (const std::exception& error) {
        ui::dialogs().error(QString::fromStdString(error.what()));
        return false;
    }
}

bool TCrt_Archivi::agreeToLosses() {
    Backups.assign(Plan.tables.size(), {});
    if (!Plan.losesValues())
        return true;
    if (ui::dialogs().confirm(QString::fromStdString(operations::lossQuestion(Plan))) !=
        ui::Answer::Yes)
        return false;
    for (std::size_t i = 0; i < Plan.tables.size(); ++i)
        if (Plan.tables[i].keepsOldTable())
            Backups[i] = operations::backupFolder(WorkDir, Plan.tables[i].table);
    return true;
}

bool TCrt_Archivi::makePlan() {
    return planTables(
        TableNames, TableTypes,
        [this](const std::vector<std::string>& names, const std::vector<std::string>& types) {
            return operations::planBuild(*Dm_Vadem, WorkDir, names, types);
        },
        Plan);
}

void TCrt_Archivi::BuildTable() {
    auto at =
        std::find_if(Plan.tables.begin(), Plan.tables.end(),
                     [this](const operations::TablePlan& t) { return t.table == CurrentTable; });
    if (at == Plan.tables.end())
        throw std::logic_error("Table " + CurrentTable + " is not in the run's plan");
    const std::size_t i = static_cast<std::size_t>(at - Plan.tables.begin());
    operations::TableBuild build(WorkDir);
    build.OnRows = [this](std::uint64_t moved, std::uint64_t total) { rowsMoved(moved, total); };
    operations::InexactValues inexact =
        build.run(*at, i < Backups.size() ? Backups[i] : std::filesystem::path());
    if (!inexact.fields.empty())
        Inexact.push_back(std::move(inexact));
}

void TCrt_Archivi::FormClose() {
    for (engine::TTable* rows : {&Dm_Vadem->DbFld, &Dm_Vadem->Index})
        if (rows->Active())
            rows->CancelRange();
}

void TCrt_Archivi::done(int result) {
    ui::showingErrors([this] { FormClose(); });
    operations::ProgressWindow::done(result);
}
