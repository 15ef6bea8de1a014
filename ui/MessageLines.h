#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace ui {

// The lines of a message as a box shows them: broken at blanks only, never
// inside a word, so that a path or a file name ("$$CLIENTI.DBF") stays
// whole; a word wider than `width` pixels has a line of its own. The text's
// own line breaks stay.
QStringList messageLines(const QString& text, const QFontMetrics& metrics, int width);

// How wide a box lets its text run: 60 average characters, at most half the
// screen.
int messageWidth(const QFontMetrics& metrics);

// The lines as rich text that no label breaks again: a label's word wrap
// would break them after "/" or between "$" and "$".
QString unbreakableLines(const QStringList& lines);

} // namespace ui
