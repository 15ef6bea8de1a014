#include "envtool/TextLines.h"

#include "engine/EngineError.h"
#include "engine/FileNames.h"

#include <QFile>

QStringList readTextLines(const QString& file, int count) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw engine::EngineError(engine::code::IoError, "Cannot read " + file.toStdString() +
                                                             ": " + in.errorString().toStdString());
    QStringList lines;
    while (lines.size() < count && !in.atEnd()) {
        QByteArray line = in.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << QString::fromUtf8(line);
    }
    if (in.error() != QFileDevice::NoError)
        throw engine::EngineError(engine::code::IoError, "Cannot read " + file.toStdString() +
                                                             ": " + in.errorString().toStdString());
    while (lines.size() < count)
        lines << QString();
    return lines;
}

void writeTextLines(const QString& file, const QStringList& lines) {
    QByteArray text;
    for (const QString& line : lines)
        text += line.toUtf8() + "\r\n";
    engine::writeFileAtomically(file.toStdString(),
                                std::string_view(text.constData(), text.size()));
}
