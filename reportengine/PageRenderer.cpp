#include "reportengine/PageRenderer.h"

#include "reportengine/Report.h"
#include "reportengine/ReportRun.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace reportengine {

void paintPage(QPainter& painter, const Page& page, double dpi) {
    double scale = dpi / 96.0;
    painter.setPen(Qt::black);
    for (const PageText& item : page.texts) {
        painter.setFont(item.font);
        QFontMetricsF metrics(item.font, painter.device());
        double x = item.x * scale;
        if (item.alignRight)
            x = (item.x + item.width) * scale - metrics.horizontalAdvance(item.text);
        painter.drawText(QPointF(x, item.y * scale + metrics.ascent()), item.text);
    }
}

QImage pageImage(const Report& report, const Page& page, double zoom) {
    double dpi = 96.0 * zoom;
    QImage image(qRound(report.pageWidth() * zoom), qRound(report.pageHeight() * zoom),
                 QImage::Format_RGB32);
    int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, page, dpi);
    return image;
}

bool paintRun(QPagedPaintDevice& device, ReportRun& run) {
    QPainter painter;
    for (int index = 0; run.layOutTo(index); ++index) {
        if (index == 0 && !painter.begin(&device))
            return false;
        if (index > 0)
            device.newPage();
        paintPage(painter, run.page(index), device.logicalDpiY());
    }
    return !painter.isActive() || painter.end();
}

} // namespace reportengine
