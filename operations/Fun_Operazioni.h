#pragma once

#include "engine/values/Date.h"
#include "ui/ToolWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>

#include <string>
#include <vector>

// The function screen: the physical-table operations for the chosen
// application, or for every installed one. Shown modally; one instance,
// Fun_Operazioni.
class TFun_Operazioni : public ui::ToolWindow {
    Q_OBJECT
public:
    explicit TFun_Operazioni(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QLabel* Label1;
    QComboBox* SetPrd;
    QPushButton* BitUscita;
    QToolButton* BtnPrt;
    QToolButton* BtnUpd;
    QToolButton* BtnCrt;
    QToolButton* BtnCpy;

    // Parallel to the items of SetPrd: "" for "[all installed]", then the
    // TMSUFF of each application.
    std::vector<std::string> AppSuffixes;
    // The TMSUFF of every installed application, in T_PROD order, and the
    // latest table date seen for each during a run (a zero date until one).
    std::vector<std::string> InstalledApps;
    std::vector<engine::Date> InstalledDates;
    bool Printing = false;

    // Fills SetPrd and the lists from T_PROD.
    void LoadApplications();

    void FormCreate();
    void FormActivate();
    void BtnPrtClick();
    void BtnUpdClick();
    void BtnCrtClick();
    void BtnCpyClick();

    bool NeedsUpdate(const std::string& suffix, engine::Date tableDate);
    void NoteTableDate(const std::string& suffix, engine::Date tableDate);
    void StampApplication(const std::string& suffix);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The choice of SetPrd: 0 for "[all installed]", k for an application,
    // -1 when no entry is chosen.
    int choice() const;
    bool belongsToChoice(const std::string& suffix) const;
    void runBuild(bool create);
    void runCopy();
    QToolButton* speedButton(QWidget* bevel, const char* name, const QString& caption, int left,
                             int top, int picture);
};

extern TFun_Operazioni* Fun_Operazioni;
