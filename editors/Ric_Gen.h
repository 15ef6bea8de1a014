#pragma once

#include "engine/dataset/DataSource.h"
#include "engine/sql/Query.h"
#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdint>
#include <string>

// The search dialog over a dictionary table: by code or by description, by
// prefix or ("Partial") by a loose pattern; the code of the chosen row goes
// back to the caller. Shown modally; one instance, Ric_Gen.
class TRic_Gen : public QDialog {
    Q_OBJECT
public:
    explicit TRic_Gen(QWidget* parent = nullptr);

    // Set by the caller before each showing.
    std::string SearchTable;
    std::string SearchCodeField;
    std::string SearchDescField;
    std::string SearchCodeKind; // "S": the code column is numeric
    std::uint8_t SearchCodeSize = 0;
    std::uint8_t SearchDescSize = 0;
    std::string SearchFilter; // extra SQL condition; empty: none
    std::string SearchCaption;
    // Read by the caller once the dialog has closed.
    bool SearchFound = false;
    std::string SearchCode;

    // The table and filter of the previous showing: the same again keeps
    // the search as it was.
    std::string LastSearchTable;
    std::string LastSearchFilter;

    engine::TQuery QryGen;
    engine::TDataSource Src_QryGen;
    engine::TField* QryGenxCodice;
    engine::TField* QryGenxCodNum;
    engine::TField* QryGenxDescrizione;

    void FormCreate();
    void FormActivate();
    void FormClose();
    void SceltaOrdineClick();
    void BtnRicercaClick();
    void BottoneOKClick();
    void QryGridDblClick();

    void RunSearch();
    void BindColumns();
    void TakeRow();
    void ForgetSearch();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildOrdering();
    void buildButtons();
    void connectHandlers();
    // 0 "by code ", 1 "by desc", -1 none.
    int ordering() const;
    void setOrdering(int item);
    void showColumns();
    int widestCode() const;
    int roomBeside(int width) const;

    QFrame* Panel1;
    QLabel* Label1;
    QCheckBox* SetParziale;
    QLineEdit* SetRicerca;
    QGroupBox* SceltaOrdine;
    QButtonGroup* orderItems_;
    ui::DbNavigator* DBRead;
    QPushButton* BtnRicerca;
    QPushButton* BottoneOK;
    QPushButton* BottoneUscita;
    QFrame* Panel2;
    ui::DbGrid* QryGrid;
    bool capitals_ = false;
};

extern TRic_Gen* Ric_Gen;
