#pragma once

#include "operations/ProgressWindow.h"
#include "tableops/TableBuild.h"

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

    // 0 dBase, 1 Paradox; carries over to an entry with an unknown code.
    int TableKind = 0;
    std::string CurrentTable;

    void FormActivate() override;
    void CopyTable();
};

extern TCpy_Archivi* Cpy_Archivi;
