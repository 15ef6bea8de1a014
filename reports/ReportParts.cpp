#include "reports/ReportParts.h"

#include "reportengine/SystemFormats.h"

#include <QDate>
#include <QFontMetricsF>
#include <QImage>

#include <algorithm>

namespace reports {

using reportengine::LabelData;

QFont arial(bool bold, bool italic) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont courierNew(bool bold) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    font.setBold(bold);
    return font;
}

reportengine::Label& addHyphens(reportengine::Band& band, const QString& name, double y) {
    return band.addLabel(name, 21, y, courierNew(), QString(85, QLatin1Char('-')));
}

void addBrandRow(reportengine::Band& band, double y) {
    band.addLabel(QStringLiteral("LabBrevon"), 21, y, arial(true, true),
                  QStringLiteral("Brevon \u00AE"));
    band.addLabel(QStringLiteral("LabData"), 466, y, arial()).data = LabelData::Date;
    band.addLabel(QStringLiteral("LabOra"), 615, y, arial()).data = LabelData::Time;
}

void addPageNumber(reportengine::Band& band, double y) {
    auto& page =
        band.addLabel(QStringLiteral("LabPagina"), 539, y, arial(), QStringLiteral("Page n. "));
    page.data = LabelData::PageNumber;
    page.width = 701 - 539;
    page.alignRight = true;
}

void addColumnTitles(reportengine::Band& band, const QString& prefix, double y,
                     std::initializer_list<std::pair<double, const char*>> titles) {
    int number = 0;
    for (const auto& [x, title] : titles)
        band.addLabel(prefix + QString::number(number++), x, y, arial(true),
                      QString::fromLatin1(title));
}

double designWidth(const QFont& font, const QString& text) {
    // Measured on a device of the design's resolution, as the preview paints at zoom 1.
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        int dotsPerMeter = qRound(96 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return QFontMetricsF(font, &device).horizontalAdvance(text);
}

double widestShortDate(const QFont& font) {
    double widest = 0;
    for (QDate day(2024, 1, 1); day.year() == 2024; day = day.addDays(1))
        widest = std::max(widest, designWidth(font, reportengine::shortDate(day)));
    return widest;
}

reportengine::Label& addFieldLabel(reportengine::Band& band, const QString& name, double x,
                                   double y, const QFont& font, const engine::TField* field) {
    auto& label = band.addLabel(name, x, y, font);
    label.data = LabelData::Field;
    label.field = field;
    return label;
}

} // namespace reports
