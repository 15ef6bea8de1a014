#include "reportengine/PreviewWindow.h"

#include "reportengine/PageRenderer.h"
#include "ui/ModalWindows.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QVBoxLayout>

namespace reportengine {

namespace {

QPushButton* toolButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// The zoom choices: a factor, or 0 for the page width.
const std::pair<const char*, double> zooms[] = {{"Page width", 0}, {"50%", 0.5},  {"75%", 0.75},
                                                {"100%", 1.0},     {"150%", 1.5}, {"200%", 2.0}};

} // namespace

PreviewWindow::PreviewWindow(Report& report, QWidget* parent)
    : ui::ToolWindow(parent), report_(report) {
    setObjectName(report.name());
    setWindowTitle(QStringLiteral("Preview"));
    setModal(true);
    resize(900, 760);

    BtnFirst = toolButton(this, "BtnFirst", QStringLiteral("|<"));
    BtnPrior = toolButton(this, "BtnPrior", QStringLiteral("<"));
    BtnNext = toolButton(this, "BtnNext", QStringLiteral(">"));
    BtnLast = toolButton(this, "BtnLast", QStringLiteral(">|"));
    BtnFirst->setToolTip(QStringLiteral("First page"));
    BtnPrior->setToolTip(QStringLiteral("Previous page"));
    BtnNext->setToolTip(QStringLiteral("Next page"));
    BtnLast->setToolTip(QStringLiteral("Last page"));
    LabPage = new QLabel(this);
    LabPage->setObjectName(QStringLiteral("LabPage"));
    LabPage->setMinimumWidth(120);
    SetZoom = new QComboBox(this);
    SetZoom->setObjectName(QStringLiteral("SetZoom"));
    for (const auto& [text, factor] : zooms)
        SetZoom->addItem(QString::fromLatin1(text), factor);
    SetZoom->setCurrentIndex(3);
    BtnPrint = toolButton(this, "BtnPrint", QStringLiteral("Print"));
    BtnPdf = toolButton(this, "BtnPdf", QStringLiteral("Save as PDF"));
    BtnClose = toolButton(this, "BtnClose", QStringLiteral("Close"));

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(BtnFirst), static_cast<QWidget*>(BtnPrior),
                       static_cast<QWidget*>(LabPage), static_cast<QWidget*>(BtnNext),
                       static_cast<QWidget*>(BtnLast), static_cast<QWidget*>(SetZoom)})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(BtnPrint);
    bar->addWidget(BtnPdf);
    bar->addWidget(BtnClose);

    PageView = new QLabel;
    PageView->setObjectName(QStringLiteral("PageView"));
    PageView->setAlignment(Qt::AlignCenter);
    PageArea = new QScrollArea(this);
    PageArea->setObjectName(QStringLiteral("PageArea"));
    PageArea->setWidget(PageView);
    PageArea->setWidgetResizable(true);
    PageArea->setAlignment(Qt::AlignCenter);
    PageArea->setBackgroundRole(QPalette::Dark);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(PageArea);

    connect(BtnFirst, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(BtnPrior, &QPushButton::clicked, this, [this] { showPage(current_ - 1); });
    connect(BtnNext, &QPushButton::clicked, this, [this] { showPage(current_ + 1); });
    connect(BtnLast, &QPushButton::clicked, this, [this] {
        ui::showingErrors([this] { run_->layOutAll(); });
        showPage(run_->pageCount() - 1);
    });
    connect(SetZoom, &QComboBox::currentIndexChanged, this,
            [this](int index) { setZoom(SetZoom->itemData(index).toDouble()); });
    connect(BtnPrint, &QPushButton::clicked, this, [this] {
        ui::showingErrors([this] { report_.Print(); });
        restart();
    });
    connect(BtnPdf, &QPushButton::clicked, this, &PreviewWindow::askPdfPath);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);

    // The page keys turn pages whichever control has the focus.
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);

    restart();
}

// Every page is laid out at once, so that the count shows from the first page.
void PreviewWindow::restart() {
    int keep = current_;
    run_ = std::make_unique<ReportRun>(report_);
    current_ = 0;
    ui::showingErrors([this] { run_->layOutAll(); });
    showPage(keep);
}

void PreviewWindow::showPage(int index) {
    index = std::max(index, 0);
    ui::showingErrors([&] { run_->layOutTo(index); });
    current_ = std::clamp(index, 0, std::max(run_->pageCount() - 1, 0));
    render();
    updateControls();
}

double PreviewWindow::effectiveZoom() const {
    if (zoom_ > 0)
        return zoom_;
    int room = PageArea->viewport()->width() - 2 * 8;
    return std::max(0.1, room / report_.pageWidth());
}

void PreviewWindow::render() {
    if (run_->pageCount() == 0) {
        PageView->clear();
        return;
    }
    PageView->setPixmap(
        QPixmap::fromImage(pageImage(report_, run_->page(current_), effectiveZoom())));
}

void PreviewWindow::updateControls() {
    bool atEnd = run_->finished() && current_ >= run_->pageCount() - 1;
    BtnFirst->setEnabled(current_ > 0);
    BtnPrior->setEnabled(current_ > 0);
    BtnNext->setEnabled(!atEnd);
    BtnLast->setEnabled(!atEnd);
    QString text = QStringLiteral("Page %1").arg(current_ + 1);
    if (run_->finished())
        text += QStringLiteral(" of %1").arg(run_->pageCount());
    LabPage->setText(text);
}

void PreviewWindow::setZoom(double zoom) {
    zoom_ = zoom;
    render();
}

void PreviewWindow::savePdf(const QString& path) {
    ui::showingErrors([&] { report_.WritePdf(path); });
    restart();
}

void PreviewWindow::askPdfPath() {
    QFileDialog dialog(this, QStringLiteral("Save as PDF"));
    dialog.setObjectName(QStringLiteral("SavePdfDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        savePdf(dialog.selectedFiles().front());
}

bool PreviewWindow::turnPage(int key) {
    switch (key) {
    case Qt::Key_PageDown:
        showPage(current_ + 1);
        return true;
    case Qt::Key_PageUp:
        showPage(current_ - 1);
        return true;
    case Qt::Key_Home:
        showPage(0);
        return true;
    case Qt::Key_End:
        showPage(run_->pageCount() - 1);
        return true;
    default:
        return false;
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (!turnPage(event->key()))
        ui::ToolWindow::keyPressEvent(event);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && turnPage(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return ui::ToolWindow::eventFilter(watched, event);
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
    ui::ToolWindow::resizeEvent(event);
    if (zoom_ <= 0)
        render();
}

} // namespace reportengine
