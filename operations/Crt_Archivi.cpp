#include "operations/Crt_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "tableops/PlanText.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

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
    if (!makePlan())
        return;
    bool succeeded = runTables(
        TableNames,
        [this](int i) {
            Type = Plan.tables[static_cast<std::size_t>(i)].type;
            CurrentTable = TableNames[i].toStdString();
            BuildTable();
        },
        QStringLiteral("Function successfull."));
    operations::reportInexact(Inexact);
    Succeeded = succeeded;
}

bool TCrt_Archivi::makePlan() {
    std::vector<std::string> names, types;
    for (int i = 0; i < TableNames.size(); ++i) {
        names.push_back(TableNames[i].toStdString());
        types.push_back(TableTypes.value(i).toStdString());
    }
    Plan = {};
    try {
        Plan = operations::planBuild(*Dm_Vadem, WorkDir, names, types);
    } catch (const std::exception& error) {
        ui::dialogs().error(QString::fromStdString(error.what()));
        return false;
    }
    if (Plan.refused()) {
        ui::dialogs().error(QString::fromStdString(operations::refusalText(Plan.refusals())));
        return false;
    }
    return true;
}

void TCrt_Archivi::BuildTable() {
    operations::TableBuild build(*Dm_Vadem, WorkDir);
    build.OnRows = [this](std::uint64_t moved, std::uint64_t total) { rowsMoved(moved, total); };
    operations::InexactValues inexact = build.run(CurrentTable, Type);
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
