#pragma once

#include "operations/ProgressWindow.h"
#include "tableops/TableBuild.h"
#include "tableops/TablePlan.h"

#include <QStringList>

#include <string>
#include <vector>

// The copier of reference data into base tables. Shown modally; one
// instance, Cpy_Archivi. The caller fills TableNames and TableTypes (the
// window never clears them) and shows it; the run copies each table in turn
// from "A:\ZET_BASE".
class TCpy_Archivi : public operations::ProgressWindow {
    Q_OBJECT
public:
    explicit TCpy_Archivi(QWidget* parent = nullptr);

    QStringList TableNames; // TMNPFM of each table
    QStringList TableTypes; // TMTBAS of each: "0" dBase, "1" Paradox

    // Per table of the last run, the values not carried over exactly.
    std::vector<operations::InexactValues> Inexact;

    // The plan of the last run, made for every table before the first copy;
    // a refused plan, or losses the user does not accept, end the run.
    operations::RunPlan Plan;

    // 0 dBase, 1 Paradox, as the plan resolved it for the table in hand.
    int TableKind = 0;
    std::string CurrentTable;

    void FormActivate() override;
    void CopyTable();

private:
    bool makePlan();
};

extern TCpy_Archivi* Cpy_Archivi;
