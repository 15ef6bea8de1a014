#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace engine {
class TField;
}

// How reports print dates, times and fields: in the formats of the locale
// (the program's default locale, which follows the system's).
namespace reportengine {

QString shortDate(QDate date);
// Hours, minutes and seconds, without a time zone.
QString longTime(QTime time);
// A field as a data-bound label prints it: dates in the short date format,
// an empty date as nothing, other values as their text.
QString fieldText(const engine::TField& field);
QDate toQDate(const engine::TField& field);

} // namespace reportengine
