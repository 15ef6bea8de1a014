#include "operations/Cpy_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "tableops/TableCopy.h"

TCpy_Archivi* Cpy_Archivi = nullptr;

TCpy_Archivi::TCpy_Archivi(QWidget* parent)
    : operations::ProgressWindow(parent, QStringLiteral("Cpy_Archivi"),
                                 QStringLiteral("Coping data in base-tables")) {}

void TCpy_Archivi::FormActivate() {
    Inexact.clear();
    runTables(
        TableNames,
        [this](int i) {
            operations::TableType type{{}, {}, TableKind};
            type.setFromCode(TableTypes.value(i).toStdString());
            TableKind = type.TableKind;
            CurrentTable = TableNames[i].toStdString();
            CopyTable();
        },
        QStringLiteral("Function successful."));
    operations::reportInexact(Inexact);
}

void TCpy_Archivi::CopyTable() {
    operations::TableCopy copy(*Dm_Vadem);
    copy.OnRows = [this](std::uint64_t moved, std::uint64_t total) { rowsMoved(moved, total); };
    operations::InexactValues inexact = copy.run(CurrentTable, TableKind);
    if (!inexact.fields.empty())
        Inexact.push_back(std::move(inexact));
}
