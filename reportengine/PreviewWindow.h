#pragma once

#include "reportengine/Report.h"
#include "reportengine/ReportRun.h"
#include "ui/ToolWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <memory>

namespace reportengine {

// The preview of a report: one page at a time, all laid out when it is
// shown, with page navigation, zoom, "Print" (the default printer, no
// dialog) and "Save as PDF". Printing and saving run the report again.
class PreviewWindow : public ui::ToolWindow {
    Q_OBJECT
public:
    explicit PreviewWindow(Report& report, QWidget* parent = nullptr);

    int currentPage() const { return current_; }
    // Pages laid out so far, and whether that is all of them.
    const ReportRun& run() const { return *run_; }
    void showPage(int index);
    void setZoom(double zoom); // 1.0 is the size on a 96 dpi screen; 0 fits the page width
    void savePdf(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void restart();
    // PgUp, PgDown, Home, End; false for any other key.
    bool turnPage(int key);
    void render();
    void updateControls();
    void askPdfPath();
    double effectiveZoom() const;

    Report& report_;
    std::unique_ptr<ReportRun> run_;
    int current_ = 0;
    double zoom_ = 1.0;

    QPushButton* BtnFirst;
    QPushButton* BtnPrior;
    QPushButton* BtnNext;
    QPushButton* BtnLast;
    QLabel* LabPage;
    QComboBox* SetZoom;
    QPushButton* BtnPrint;
    QPushButton* BtnPdf;
    QPushButton* BtnClose;
    QScrollArea* PageArea;
    QLabel* PageView;
};

} // namespace reportengine
