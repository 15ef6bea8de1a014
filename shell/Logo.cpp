#include "shell/Logo.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The sixteen colours of the classic VGA palette.
QList<QRgb> classicPalette() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// A database drum: a cylinder of three stacked discs.
void drawDrum(QPainter& p, QRectF box, QColor body, QColor top) {
    const double lid = box.height() / 6;
    p.setPen(QPen(Qt::black, 4));
    p.setBrush(body);
    p.drawRect(QRectF(box.left(), box.top() + lid / 2, box.width(), box.height() - lid));
    for (int i = 2; i >= 1; --i)
        p.drawArc(QRectF(box.left(), box.top() + i * (box.height() - lid) / 3, box.width(), lid),
                  180 * 16, 180 * 16);
    p.drawEllipse(QRectF(box.left(), box.bottom() - lid, box.width(), lid));
    p.setBrush(top);
    p.drawEllipse(QRectF(box.left(), box.top(), box.width(), lid));
}

} // namespace

QImage makerLogo() {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 128));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    // A band of teal behind the drums, and a white frame.
    p.fillRect(QRect(0, 300, 640, 180), QColor(0, 128, 128));
    p.setPen(QPen(Qt::white, 8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(12, 12, 616, 456));

    drawDrum(p, QRectF(60, 150, 150, 230), QColor(192, 192, 192), QColor(255, 255, 255));
    drawDrum(p, QRectF(245, 110, 150, 270), QColor(255, 255, 0), QColor(255, 255, 255));
    drawDrum(p, QRectF(430, 190, 150, 190), QColor(255, 0, 0), QColor(255, 255, 255));

    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(84);
    title.setBold(true);
    title.setItalic(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 0));
    p.drawText(QRect(20, 20, 600, 100), Qt::AlignCenter, QStringLiteral("Schedax"));

    QFont maker(QStringLiteral("Arial"));
    maker.setPixelSize(40);
    maker.setBold(true);
    p.setFont(maker);
    p.setPen(Qt::white);
    p.drawText(QRect(20, 395, 600, 60), Qt::AlignCenter, QStringLiteral("Brevon \u00AE"));
    p.end();

    return image.convertToFormat(QImage::Format_Indexed8, classicPalette(),
                                 Qt::ThresholdDither | Qt::AvoidDither);
}
