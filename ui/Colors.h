#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace ui {

// The two background colours of key boxes: the window colour while the key
// can be typed, the inactive-caption colour while it is greyed.
enum class BoxColor { Window, InactiveCaption };

inline QColor colorOf(BoxColor color) {
    // The palette has no caption roles; its mid grey stands for the
    // inactive caption, as the grey of an inactive title bar.
    QPalette palette;
    return color == BoxColor::Window ? palette.color(QPalette::Active, QPalette::Base)
                                     : palette.color(QPalette::Active, QPalette::Mid);
}

inline void setBoxColor(QWidget& box, BoxColor color) {
    QPalette palette = box.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colorOf(color));
    box.setPalette(palette);
    box.setAutoFillBackground(true);
}

inline QColor boxColor(const QWidget& box) {
    return box.palette().color(QPalette::Active, QPalette::Base);
}

} // namespace ui
