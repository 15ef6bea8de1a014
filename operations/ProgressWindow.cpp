#include "operations/ProgressWindow.h"

#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"
#include "ui/WaitCursor.h"

#include <QShowEvent>

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
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setFixedSize(392, 80);
    setModal(true);

    BarProg = new QProgressBar(this);
    BarProg->setObjectName(QStringLiteral("BarProg"));
    BarProg->setGeometry(0, 0, 383, 25);
    BarProg->setRange(0, 100);
    BarProg->setValue(0);

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

void ProgressWindow::startRun(int count) {
    BarProg->setRange(0, count);
    BarProg->setValue(0);
    panels_[0]->clear();
    panels_[1]->clear();
    BarStat->repaint();
}

void ProgressWindow::tableDone(int n, int count, const QString& table) {
    BarProg->setValue(n);
    panels_[0]->setText(QStringLiteral("File : ") + table);
    panels_[1]->setText(QStringLiteral("[%1/%2]").arg(n).arg(count));
    BarProg->repaint();
    BarStat->repaint();
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown by the program, not uncovered by the window system.
    if (!event->spontaneous())
        ui::showingErrors([this] { FormActivate(); });
}

} // namespace operations
