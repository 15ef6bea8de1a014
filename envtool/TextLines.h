#pragma once

#include <QString>
#include <QStringList>

// The first `count` lines of a text file, lines past its end read as empty.
// Lines may end in CR LF, LF or CR alone (a run of CRs before an LF is one
// line end); text that is not UTF-8 is read as Windows-1252, the code page
// such lists were written in on Windows. Throws engine::EngineError(IoError)
// naming the file.
QStringList readTextLines(const QString& file, int count);

// Writes the lines in UTF-8, each ended by CR LF, to a temporary file that is
// renamed over `file` (see engine::writeFileAtomically): a failure leaves the
// old file as it was.
void writeTextLines(const QString& file, const QStringList& lines);
