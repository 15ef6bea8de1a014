#include "shell/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void drawPicture(QPainter& p, int which, bool enabled) {
    auto colour = [&](QColor c) { return enabled ? c : QColor(128, 128, 128); };
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour(Qt::black), 1.2));
    switch (which) {
    case 0: // a floppy disk
        p.setBrush(colour(QColor(0, 0, 128)));
        p.drawRect(3, 2, 16, 18);
        p.setBrush(colour(QColor(192, 192, 192)));
        p.drawRect(7, 2, 8, 6);
        p.setBrush(Qt::white);
        p.drawRect(6, 12, 10, 7);
        break;
    case 1: // a window with a title bar: the applications
        p.setBrush(Qt::white);
        p.drawRect(2, 4, 18, 15);
        p.setBrush(colour(QColor(0, 0, 128)));
        p.drawRect(2, 4, 18, 4);
        break;
    case 2: // a table grid
        p.setBrush(Qt::white);
        p.drawRect(2, 3, 18, 16);
        for (int y = 7; y < 19; y += 4)
            p.drawLine(2, y, 20, y);
        p.drawLine(9, 3, 9, 19);
        break;
    case 3: // a tick: installed
        p.setPen(QPen(colour(QColor(0, 128, 0)), 3));
        p.drawLine(4, 11, 9, 17);
        p.drawLine(9, 17, 19, 4);
        break;
    case 5: // an open door: close
        p.setBrush(colour(QColor(128, 64, 0)));
        p.drawRect(5, 2, 12, 18);
        p.setBrush(colour(QColor(255, 255, 0)));
        p.drawPolygon(QPolygonF({QPointF(5, 2), QPointF(12, 5), QPointF(12, 22), QPointF(5, 20)}));
        break;
    default: // a gear-like wheel: the function screen
        p.setBrush(colour(QColor(128, 0, 0)));
        p.drawEllipse(QPointF(11, 11), 8, 8);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11, 11), 3, 3);
        break;
    }
}

QPixmap picture(int which, bool enabled) {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    drawPicture(p, which, enabled);
    return pixmap;
}

} // namespace

QIcon menuPicture(int which) {
    QIcon icon;
    icon.addPixmap(picture(which, true), QIcon::Normal);
    icon.addPixmap(picture(which, false), QIcon::Disabled);
    return icon;
}
