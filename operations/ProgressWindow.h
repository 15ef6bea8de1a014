#pragma once

#include "tableops/TablePlan.h"
#include "ui/ToolWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace operations {

// The window of a run over a list of tables (the builder, the copier): a
// progress bar over the tables, a thin one over the rows of the table in
// hand, and a status bar whose two panels name the last table done and
// "[n/count]". The run happens in FormActivate, each time the program shows
// the window, once the window is on the screen; it then waits to be closed.
// No event is handled during the run: the bars and panels are repainted
// as they change.
class ProgressWindow : public ui::ToolWindow {
    Q_OBJECT
public:
    ProgressWindow(QWidget* parent, const QString& name, const QString& caption);

    QProgressBar* BarProg;
    QProgressBar* BarRows; // rows moved of the table in hand
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

    using Planner = std::function<RunPlan(const std::vector<std::string>& names,
                                          const std::vector<std::string>& types)>;
    // Plans the run over `tables` (type codes `types`) with `planner` into
    // `plan`. A planner's error or a refused plan is shown in the error box
    // and ends the run: returns whether it may go on.
    bool planTables(const QStringList& tables, const QStringList& types, const Planner& planner,
                    RunPlan& plan);

    // Passed on by the run of one table while its rows move.
    void rowsMoved(std::uint64_t moved, std::uint64_t total);

public:
    void setVisible(bool visible) override;

private:
    void paintOnScreen();
    void startRun(int count);
    void tableDone(int n, int count, const QString& table);

    QLabel* panels_[2];
};

} // namespace operations
