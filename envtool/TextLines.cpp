#include "envtool/TextLines.h"

#include "engine/base/EngineError.h"
#include "engine/files/FileNames.h"
#include "engine/values/Codepage.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString decoded(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    std::string converted =
        engine::Codepage(1252).toUtf8(std::string_view(bytes.constData(), bytes.size()));
    return QString::fromStdString(converted);
}

} // namespace

QStringList readTextLines(const QString& file, int count) {
    QFile in(file);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly))
        bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw engine::EngineError(engine::code::IoError, "Cannot read " + file.toStdString() +
                                                             ": " + in.errorString().toStdString());
    QString text = decoded(bytes);
    QStringList lines;
    qsizetype start = 0;
    while (lines.size() < count && start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines << text.mid(start, end - start);
        // CR LF, LF, CR, and CR CR LF each end one line.
        qsizetype next = end;
        while (next < text.size() && text[next] == '\r')
            ++next;
        if (next < text.size() && text[next] == '\n')
            ++next;
        else if (next > end)
            next = end + 1; // CRs not followed by LF: each ends a line
        start = next;
    }
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
