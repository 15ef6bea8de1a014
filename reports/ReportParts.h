#pragma once

#include "reportengine/Band.h"

#include <QFont>
#include <QString>

#include <initializer_list>
#include <utility>

// What the two dictionary reports share: their fonts, the line of hyphens
// and the first row of their page heading.
namespace reports {

QFont arial(bool bold = false, bool italic = false);
QFont courierNew(bool bold = false);

// A line of 85 hyphens in Courier New at `x`, `y`.
reportengine::Label& addHyphens(reportengine::Band& band, const QString& name, double y);

// "Brevon ®" in Arial bold italic, the date and the time of the run.
void addBrandRow(reportengine::Band& band, double y);

// "Page n. " and the page number, right-aligned in the box from 539 to 701.
void addPageNumber(reportengine::Band& band, double y);

// Column titles in Arial bold, named `prefix` followed by their number.
void addColumnTitles(reportengine::Band& band, const QString& prefix, double y,
                     std::initializer_list<std::pair<double, const char*>> titles);

// How wide `text` prints in `font`, in design pixels (96 per inch).
double designWidth(const QFont& font, const QString& text);

// The widest date the locale's short format prints in `font` (every day of
// a leap year: each month and weekday name, each day number), in design pixels.
double widestShortDate(const QFont& font);

// A label that prints a field of the current row.
reportengine::Label& addFieldLabel(reportengine::Band& band, const QString& name, double x,
                                   double y, const QFont& font, const engine::TField* field);

} // namespace reports
