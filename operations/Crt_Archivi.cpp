#include "operations/Crt_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"
#include "ui/WaitCursor.h"

#include <optional>

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
    const int count = static_cast<int>(TableNames.size());
    std::optional<QString> failure;
    {
        ui::WaitCursor hourglass;
        startRun(count);
        try {
            for (int n = 1; n <= count; ++n) {
                Type.setFromCode(TableTypes.value(n - 1).toStdString());
                CurrentTable = TableNames[n - 1].toStdString();
                BuildTable();
                tableDone(n, count, TableNames[n - 1]);
            }
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
        }
    }
    if (failure)
        ui::dialogs().error(*failure);
    else
        ui::dialogs().message(count > 0 ? QStringLiteral("Function successfull.")
                                        : QStringLiteral("No function."));
    operations::reportInexact(Inexact);
    Succeeded = !failure;
}

void TCrt_Archivi::BuildTable() {
    operations::TableBuild build(*Dm_Vadem, WorkDir);
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
