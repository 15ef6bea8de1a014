#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>
#include <QStringList>

#include <functional>

namespace operations {

// The window of a run over a list of tables (the builder, the copier): a
// progress bar and a status bar whose two panels name the last table done
// and "[n/count]". The run happens in FormActivate, each time the program
// shows the window; the window then waits to be closed.
class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(QWidget* parent, const QString& name, const QString& caption);

    QProgressBar* BarProg;
    QStatusBar* BarStat;

    // The text of status panel 0 or 1.
    QString panelText(int panel) const;

    virtual void FormActivate() = 0;

protected:
    // Runs `eachTable(i)` for every table of `tables` under the hourglass,
    // with the bar and the panels following. The first error ends the run in
    // the error box; otherwise `done` is shown, or "No function." when the
    // list was empty. Returns whether the run ended without an error.
    bool runTables(const QStringList& tables, const std::function<void(int)>& eachTable,
                   const QString& done);

    void showEvent(QShowEvent* event) override;

private:
    void startRun(int count);
    void tableDone(int n, int count, const QString& table);

    QLabel* panels_[2];
};

} // namespace operations
