#pragma once

#include "operations/ProgressWindow.h"
#include "tableops/TableBuild.h"
#include "tableops/TablePlan.h"

#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

// The builder of physical tables from the dictionary. Shown modally; one
// instance, Crt_Archivi. The caller fills TableNames and TableTypes (the
// window never clears them) and shows it; the run builds each table in turn.
class TCrt_Archivi : public operations::ProgressWindow {
    Q_OBJECT
public:
    explicit TCrt_Archivi(QWidget* parent = nullptr);

    QStringList TableNames; // TMNPFM of each table
    QStringList TableTypes; // TMTBAS of each: "0" dBase, "1" Paradox

    // True when the last run ended without an error (the caller stamps the
    // applications only then).
    bool Succeeded = false;
    // Per table of the last run, the values that could not be carried over
    // exactly; listed after the closing message.
    std::vector<operations::InexactValues> Inexact;
    // The plan of the last run, made for every table before the first is
    // touched; a refused plan ends the run with nothing changed.
    operations::RunPlan Plan;

    // The alias "DBZET"'s directory, read once when the window is created.
    std::string WorkDir;
    // DriverName, FileExt and TableKind of the table in hand, as the plan
    // resolved them.
    operations::TableType Type;
    std::string CurrentTable;

    void FormCreate();
    void FormActivate() override;
    void FormClose();
    void BuildTable();

    void done(int result) override;

    // Per table of the plan, the folder its old files are kept in (those
    // whose values the user agreed to lose), else empty.
    std::vector<std::filesystem::path> Backups;

private:
    // Finishes or undoes the updates that an earlier run left half done.
    bool recoverFirst();
    // Asks before a run that loses values; false when the user says No.
    bool agreeToLosses();
    // Plans the run; false (after the box that says why) when it cannot go on.
    bool makePlan();
};

extern TCrt_Archivi* Crt_Archivi;
