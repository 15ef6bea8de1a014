#include "reportengine/SystemFormats.h"

#include "engine/dataset/Field.h"

#include <QLocale>
#include <QRegularExpression>

namespace reportengine {

QString shortDate(QDate date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString longTime(QTime time) {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    // The long format may end in a time zone ("t"), which the clock does not carry.
    format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return QLocale().toString(time, format.trimmed());
}

QDate toQDate(const engine::TField& field) {
    // Both count days as Julian day numbers.
    return QDate::fromJulianDay(field.AsDateTime().julianDay());
}

QString fieldText(const engine::TField& field) {
    if (field.DataType() == engine::ftDate)
        return field.IsNull() ? QString() : shortDate(toQDate(field));
    return QString::fromStdString(field.AsString());
}

} // namespace reportengine
