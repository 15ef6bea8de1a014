#include "operations/Cpy_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "operations/TableCopy.h"
#include "ui/Dialogs.h"
#include "ui/WaitCursor.h"

#include <optional>

TCpy_Archivi* Cpy_Archivi = nullptr;

TCpy_Archivi::TCpy_Archivi(QWidget* parent)
    : operations::ProgressWindow(parent, QStringLiteral("Cpy_Archivi"),
                                 QStringLiteral("Coping data in base-tables")) {}

void TCpy_Archivi::FormActivate() {
    Inexact.clear();
    const int count = static_cast<int>(TableNames.size());
    std::optional<QString> failure;
    {
        ui::WaitCursor hourglass;
        startRun(count);
        try {
            for (int n = 1; n <= count; ++n) {
                operations::TableType type{{}, {}, TableKind};
                type.setFromCode(TableTypes.value(n - 1).toStdString());
                TableKind = type.TableKind;
                CurrentTable = TableNames[n - 1].toStdString();
                CopyTable();
                tableDone(n, count, TableNames[n - 1]);
            }
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
        }
    }
    if (failure)
        ui::dialogs().error(*failure);
    else
        ui::dialogs().message(count > 0 ? QStringLiteral("Function successful.")
                                        : QStringLiteral("No function."));
    operations::reportInexact(Inexact);
}

void TCpy_Archivi::CopyTable() {
    operations::InexactValues inexact =
        operations::TableCopy(*Dm_Vadem).run(CurrentTable, TableKind);
    if (!inexact.fields.empty())
        Inexact.push_back(std::move(inexact));
}
