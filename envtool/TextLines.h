#pragma once

#include <QString>
#include <QStringList>

// The first `count` lines of a UTF-8 text file whose lines end in CR LF or
// LF; lines past the end of the file read as empty. Throws
// engine::EngineError(IoError) naming the file.
QStringList readTextLines(const QString& file, int count);

// Writes the lines, each ended by CR LF, to a temporary file that is renamed
// over `file`: a failure leaves the old file as it was.
void writeTextLines(const QString& file, const QStringList& lines);
