#include "operations/Crt_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
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
    bool succeeded = runTables(
        TableNames,
        [this](int i) {
            Type.setFromCode(TableTypes.value(i).toStdString());
            CurrentTable = TableNames[i].toStdString();
            BuildTable();
        },
        QStringLiteral("Function successfull."));
    operations::reportInexact(Inexact);
    Succeeded = succeeded;
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
