#pragma once

#include "reportengine/Page.h"

#include <QImage>

class QPagedPaintDevice;
class QPainter;

namespace reportengine {

class Report;
class ReportRun;

// Paints a laid-out page on a painter whose device has the logical
// resolution `dpi`, so that design pixels and font points keep their size
// on paper.
void paintPage(QPainter& painter, const Page& page, double dpi);

// The page as an image at `zoom` times its size on a 96 dpi screen, on white.
QImage pageImage(const Report& report, const Page& page, double zoom);

// Lays out every page of a run and paints it, one device page each; false
// when the device cannot be painted on (a file that cannot be written).
bool paintRun(QPagedPaintDevice& device, ReportRun& run);

} // namespace reportengine
