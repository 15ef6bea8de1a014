#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>

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
    // Progress 0 of `count`, both panels empty, painted at once.
    void startRun(int count);
    // Table n of count is done: the bar and the panels follow, painted at once.
    void tableDone(int n, int count, const QString& table);

    void showEvent(QShowEvent* event) override;

private:
    QLabel* panels_[2];
};

} // namespace operations
