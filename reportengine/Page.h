#pragma once

#include <QFont>
#include <QString>

#include <vector>

namespace reportengine {

// One text of a laid-out page, in design pixels (96 per inch) from the top
// left corner of the paper. A right-aligned text ends at x + width.
struct PageText {
    double x = 0;
    double y = 0;
    double width = 0;
    bool alignRight = false;
    QString text;
    QFont font;
};

// A laid-out page: what it shows, independent of any device.
struct Page {
    int number = 0;
    std::vector<PageText> texts;
};

} // namespace reportengine
