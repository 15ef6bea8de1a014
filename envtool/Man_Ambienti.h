#pragma once

#include "engine/config/Engine.h"

#include <QWidget>

#include <cstdint>
#include <filesystem>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class StringGrid;

// The one window of envtool: a list of ten table directories with their
// descriptions, kept in "TM_BASE.TXT" in the system directory, and the alias
// "DBZET" pointed at the one chosen with "&Select".
class TMan_Ambienti : public QWidget {
    Q_OBJECT
public:
    explicit TMan_Ambienti(QWidget* parent = nullptr);
    ~TMan_Ambienti() override;

    // Program state.
    QString AliasName;              // always "DBZET"
    QString PathListFile;           // full name of "TM_BASE.TXT"
    int SelectedRow = 0;            // grid row of the last selected cell; 0 = none yet
    std::uint16_t EngineResult = 0; // result of the last engine call
    int ErrorCode = 0;              // the code shown for EngineResult
    bool Done = false;              // whether the last alias call succeeded

    // Controls, named as the form names them.
    QFrame* Panel2;
    QScrollArea* ScrollBox;
    QLabel* Label2;
    QLabel* LabAmbiente;
    QFrame* Bevel1;
    QFrame* Bevel2;
    QFrame* Bevel3;
    StringGrid* GridAmb;
    QToolButton* BtnConferma;
    QToolButton* BtnAttiva;
    QPushButton* BottoneUscita;

    // Event handlers.
    void FormCreate();
    void FormActivate();
    void GridAmbSelectCell(int col, int row);
    void BtnConfermaClick();
    void BtnAttivaClick();
    void FormDestroy();

protected:
    bool event(QEvent* event) override;

private:
    void createControls();
    void LocatePathList();
    void InitGrid();
    void LoadPathList();
    void SavePathList();
    // The directory a path cell names (a drive text mapped); empty when its
    // drive is mapped nowhere.
    std::filesystem::path directoryOf(const QString& path) const;
    bool isExistingDirectory(const QString& path) const;

    engine::Engine engine_;
    bool activated_ = false;
    QString loadError_; // why the list could not be read; it is then never written over
};

// The program's window, created by main().
extern TMan_Ambienti* Man_Ambienti;
