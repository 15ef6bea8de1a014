#include "operations/ProgressWindow.h"

#include "tableops/PlanText.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"
#include "ui/WaitCursor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace operations {

namespace {

QLabel* makePanel(QStatusBar* bar, const char* name, const char* designText, int width) {
    auto* panel = new QLabel(QString::fromLatin1(designText), bar);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setFixedWidth(width);
    bar->addWidget(panel);
    return panel;
}

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent, const QString& name, const QString& caption)
    : ui::ToolWindow(parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setFixedSize(392, 80);
    setModal(true);

    BarProg = new QProgressBar(this);
    BarProg->setObjectName(QStringLiteral("BarProg"));
    BarProg->setGeometry(0, 0, 383, 25);
    BarProg->setRange(0, 100);
    BarProg->setValue(0);
    BarRows = new QProgressBar(this);
    BarRows->setObjectName(QStringLiteral("BarRows"));
    BarRows->setGeometry(0, 29, 383, 8);
    BarRows->setTextVisible(false);
    BarRows->setRange(0, 1);
    BarRows->setValue(0);

    BarStat = new QStatusBar(this);
    BarStat->setObjectName(QStringLiteral("BarStat"));
    BarStat->setSizeGripEnabled(false);
    BarStat->setGeometry(0, 80 - 22, 392, 22);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(true);
    BarStat->setFont(font);
    BarStat->setStyleSheet(QStringLiteral("QLabel { color: black; }"));
    panels_[0] = makePanel(BarStat, "Panel0", "Messaggio", 280);
    panels_[1] = makePanel(BarStat, "Panel1", "Numero", 60);
    ui::centreOnScreen(*this);
}

QString ProgressWindow::panelText(int panel) const {
    return panels_[panel]->text();
}

bool ProgressWindow::runTables(const QStringList& tables, const std::function<void(int)>& eachTable,
                               const QString& done) {
    const int count = static_cast<int>(tables.size());
    std::optional<QString> failure;
    {
        ui::WaitCursor hourglass;
        startRun(count);
        try {
            for (int n = 1; n <= count; ++n) {
                eachTable(n - 1);
                tableDone(n, count, tables[n - 1]);
            }
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
        }
    }
    if (failure)
        ui::dialogs().error(*failure);
    else
        ui::dialogs().message(count > 0 ? done : QStringLiteral("No function."));
    return !failure;
}

// The window system shows a window some time after the program asked; until
// it is exposed nothing drawn reaches the screen. Only the window system's
// events are waited for: input waits until the run is over.
void ProgressWindow::paintOnScreen() {
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && isVisible() &&
           waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    repaint();
}

void ProgressWindow::startRun(int count) {
    panels_[0]->clear();
    panels_[1]->clear();
    BarProg->setRange(0, count);
    BarProg->setValue(0);
    BarRows->setRange(0, 1);
    BarRows->setValue(0);
    paintOnScreen();
}

bool ProgressWindow::planTables(const QStringList& tables, const QStringList& types,
                                const Planner& planner, RunPlan& plan) {
    std::vector<std::string> names, codes;
    for (int i = 0; i < tables.size(); ++i) {
        names.push_back(tables[i].toStdString());
        codes.push_back(types.value(i).toStdString());
    }
    plan = {};
    try {
        plan = planner(names, codes);
    } catch (const std::exception& error) {
        ui::dialogs().error(QString::fromStdString(error.what()));
        return false;
    }
    if (plan.refused()) {
        ui::dialogs().error(QString::fromStdString(refusalText(plan.refusals())));
        return false;
    }
    return true;
}

void ProgressWindow::rowsMoved(std::uint64_t moved, std::uint64_t total) {
    // The bar counts in int: large counts in steps of 1/100000.
    std::uint64_t scale = std::max<std::uint64_t>(1, total / 100000);
    BarRows->setRange(0, static_cast<int>(std::max<std::uint64_t>(total / scale, 1)));
    BarRows->setValue(static_cast<int>(std::min(moved, total) / scale));
    BarRows->repaint();
}

void ProgressWindow::tableDone(int n, int count, const QString& table) {
    BarProg->setValue(n);
    BarRows->setValue(0);
    panels_[0]->setText(QStringLiteral("File : ") + table);
    panels_[1]->setText(QStringLiteral("[%1/%2]").arg(n).arg(count));
    BarProg->repaint();
    BarRows->repaint();
    BarStat->repaint();
}

void ProgressWindow::setVisible(bool visible) {
    // Shown by the program (a window uncovered or restored by the window
    // system is not shown again): the run follows, on the screen.
    bool shown = visible && !isVisible();
    ui::ToolWindow::setVisible(visible);
    if (shown)
        ui::showingErrors([this] { FormActivate(); });
}

} // namespace operations
