#include "operations/Cpy_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/InexactReport.h"
#include "tableops/PlanText.h"
#include "tableops/TableCopy.h"
#include "ui/Dialogs.h"

TCpy_Archivi* Cpy_Archivi = nullptr;

TCpy_Archivi::TCpy_Archivi(QWidget* parent)
    : operations::ProgressWindow(parent, QStringLiteral("Cpy_Archivi"),
                                 QStringLiteral("Coping data in base-tables")) {}

void TCpy_Archivi::FormActivate() {
    Inexact.clear();
    if (!makePlan())
        return;
    runTables(
        TableNames,
        [this](int i) {
            TableKind = Plan.tables[static_cast<std::size_t>(i)].type.TableKind;
            CurrentTable = TableNames[i].toStdString();
            CopyTable();
        },
        QStringLiteral("Function successful."));
    operations::reportInexact(Inexact);
}

bool TCpy_Archivi::makePlan() {
    if (!planTables(
            TableNames, TableTypes,
            [this](const std::vector<std::string>& names, const std::vector<std::string>& types) {
                return operations::planCopy(*Dm_Vadem, names, types);
            },
            Plan))
        return false;
    return !Plan.losesValues() ||
           ui::dialogs().confirm(QString::fromStdString(operations::lossQuestion(Plan, false))) ==
               ui::Answer::Yes;
}

void TCpy_Archivi::CopyTable() {
    operations::TableCopy copy(*Dm_Vadem);
    for (const operations::TablePlan& table : Plan.tables)
        if (table.table == CurrentTable)
            copy.SkipKeyClashes = table.refusesRows();
    copy.OnRows = [this](std::uint64_t moved, std::uint64_t total) { rowsMoved(moved, total); };
    operations::InexactValues inexact = copy.run(CurrentTable, TableKind);
    if (!inexact.fields.empty())
        Inexact.push_back(std::move(inexact));
}
