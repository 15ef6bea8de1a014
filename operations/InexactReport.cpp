#include "operations/InexactReport.h"

#include "ui/Dialogs.h"

#include <QStringList>

namespace operations {

QString inexactText(const std::vector<InexactValues>& tables) {
    QStringList lines;
    for (const InexactValues& table : tables) {
        QStringList fields;
        for (const auto& [name, count] : table.fields)
            fields << QString::fromStdString(name) + ' ' + QString::number(count);
        if (!fields.isEmpty())
            lines << QString::fromStdString(table.table) + ": " + fields.join(", ");
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("Values not carried over exactly:\n") + lines.join('\n');
}

void reportInexact(const std::vector<InexactValues>& tables) {
    QString text = inexactText(tables);
    if (!text.isEmpty())
        ui::dialogs().message(text);
}

} // namespace operations
