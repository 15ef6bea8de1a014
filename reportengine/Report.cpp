#include "reportengine/Report.h"

#include "engine/base/EngineError.h"
#include "reportengine/PageRenderer.h"
#include "reportengine/PreviewWindow.h"
#include "reportengine/ReportRun.h"

#include <QLocale>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace reportengine {

QPageSize defaultPageSize() {
    QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull())
        return printer.defaultPageSize();
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
               ? QPageSize(QPageSize::Letter)
               : QPageSize(QPageSize::A4);
}

Report::Report(QString name) : PageSize(defaultPageSize()), name_(std::move(name)) {}

Band& Report::addBand(const QString& name, BandKind kind, double height) {
    bands_.push_back(std::make_unique<Band>(name, kind, height));
    return *bands_.back();
}

Band* Report::band(const QString& name) {
    for (auto& band : bands_)
        if (band->name() == name)
            return band.get();
    return nullptr;
}

double Report::pageWidth() const {
    return PageSize.size(QPageSize::Inch).width() * 96.0;
}

double Report::pageHeight() const {
    return PageSize.size(QPageSize::Inch).height() * 96.0;
}

void Report::Preview(QWidget* parent) {
    PreviewWindow window(*this, parent);
    window.exec();
}

void Report::Print() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw engine::EngineError(engine::code::NotFound, "No printer is installed");
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(PageSize);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(name_);
    ReportRun run(*this);
    if (!paintRun(printer, run))
        throw engine::EngineError(engine::code::IoError,
                                  "Cannot print on " + info.printerName().toStdString());
}

void Report::WritePdf(const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(PageSize);
    writer.setPageOrientation(QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(name_);
    writer.setCreator(QStringLiteral("Schedax"));
    ReportRun run(*this);
    if (!paintRun(writer, run))
        throw engine::EngineError(engine::code::IoError,
                                  "Cannot write the PDF file " + path.toStdString());
}

} // namespace reportengine
