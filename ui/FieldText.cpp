#include "ui/FieldText.h"

#include "engine/base/EngineError.h"
#include "engine/dataset/Table.h"
#include "engine/dbase/DbaseDetails.h"
#include "engine/values/Codepage.h"

#include <QStringList>

#include <optional>

namespace ui {

QString formatDate(engine::Date date, const QString& format) {
    QString text = format;
    text.replace("yyyy", QString::number(date.year()).rightJustified(4, '0'));
    text.replace("dd", QString::number(date.day()).rightJustified(2, '0'));
    text.replace("mm", QString::number(date.month()).rightJustified(2, '0'));
    return text;
}

QString displayText(const engine::TField& field) {
    engine::Value value = field.AsValue();
    QString format = QString::fromStdString(field.DisplayFormat);
    if (value.isDate())
        return formatDate(value.date(), format.isEmpty() ? QStringLiteral("dd/mm/yyyy") : format);
    if (value.isBool() && format.contains(';'))
        return format.section(';', value.boolean() ? 0 : 1, value.boolean() ? 0 : 1);
    return QString::fromStdString(field.AsString());
}

QString inputMaskOf(const std::string& editMask) {
    if (editMask.empty())
        return {};
    QString mask = QString::fromStdString(editMask);
    QStringList parts = mask.split(';');
    QString pattern = parts.value(0);
    if (pattern.startsWith('!'))
        pattern.remove(0, 1);
    QString blank =
        parts.size() > 2 && !parts[2].isEmpty() ? parts[2].left(1) : QStringLiteral(" ");
    return pattern + ';' + blank;
}

namespace {

std::optional<engine::Codepage> codepageOf(const engine::TField& field) {
    auto* table = dynamic_cast<const engine::TTable*>(&field.DataSet());
    auto* dbase =
        table ? dynamic_cast<const engine::dbase::DbaseDetails*>(table->tableFile()) : nullptr;
    if (!dbase)
        return std::nullopt;
    try {
        return engine::Codepage(dbase->codepage());
    } catch (const engine::EngineError&) {
        return std::nullopt;
    }
}

bool holds(const engine::Codepage& page, QChar c) {
    try {
        page.fromUtf8(QString(c).toStdString(), {});
        return true;
    } catch (const engine::EngineError&) {
        return false;
    }
}

} // namespace

QString upperCase(const engine::TField& field, const QString& text) {
    std::optional<engine::Codepage> page = codepageOf(field);
    QString upper = text;
    for (QChar& c : upper) {
        // One character for one: a letter whose capital is two ("ß") has no
        // single capital and stays.
        QChar capital = c.toUpper();
        if (capital != c && (page ? holds(*page, capital) : capital.unicode() < 0x80))
            c = capital;
    }
    return upper;
}

void storeText(engine::TField& field, const QString& text, const QString& inputMask) {
    QString value = text;
    if (!inputMask.isEmpty()) {
        // Nothing typed leaves only the mask's separators.
        bool typed = false;
        for (QChar c : value)
            if (c.isDigit() || c.isLetter())
                typed = true;
        if (!typed)
            value.clear();
    }
    field.SetAsString(value.toStdString());
}

} // namespace ui
