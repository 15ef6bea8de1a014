#pragma once

#include "reportengine/Band.h"

#include <QDateTime>
#include <QPageSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace engine {
class TDataSource;
}

namespace reportengine {

// A banded report over the rows of a dataset. A run prints, in this order:
// the page headers at the top of every page, the title bands once, then for
// each row the headers of the groups whose key changed, the detail bands and
// (after moving on) the footers of the groups that ended, and the summary
// bands once at the end; the page footers close every page at its bottom.
// Positions and heights are design pixels, 96 per inch of paper.
class Report {
public:
    explicit Report(QString name);
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    const QString& name() const { return name_; }

    Band& addBand(const QString& name, BandKind kind, double height);
    Band* band(const QString& name);
    const std::vector<std::unique_ptr<Band>>& bands() const { return bands_; }

    // The rows: the source's dataset, walked from the first when a run
    // starts (once BeforePrint has run); a disabled source or a closed
    // dataset gives no rows.
    engine::TDataSource* DataSource = nullptr;
    // Runs at the start of every run (preview, print or PDF).
    std::function<void(Report&)> BeforePrint;
    // The date and time that the run prints.
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

    // Paper in portrait orientation: the default printer's, else the one the
    // locale's measurement system expects (Letter or A4).
    QPageSize PageSize;
    double TopMargin = 38;
    double BottomMargin = 38;
    double pageWidth() const;
    double pageHeight() const;

    // Shows the pages in a modal preview window with a print command.
    void Preview(QWidget* parent = nullptr);
    // Runs the report to the default printer, without a selection dialog.
    void Print();
    // Runs the report into a PDF file; an engine error when it cannot be written.
    void WritePdf(const QString& path);

private:
    QString name_;
    std::vector<std::unique_ptr<Band>> bands_;
};

// The paper of a report when none is chosen.
QPageSize defaultPageSize();

} // namespace reportengine
