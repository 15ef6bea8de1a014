#pragma once

#include "engine/dataset/DataSource.h"
#include "engine/dataset/Table.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"

#include "editors/EditorDialog.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

// The application editor: the rows of T_PROD. Shown modally; one instance,
// Man_Prodotti.
class TMan_Prodotti : public editors::EditorDialog {
    Q_OBJECT
public:
    explicit TMan_Prodotti(QWidget* parent = nullptr);

    engine::TTable Prod;
    engine::TDataSource Src_Prod;

    // Button actions 1-5: insert, edit, post, cancel, delete.
    void ProdAction(int code);
    void ValidateProd();

    void FormCreate();
    void FormActivate() override;
    void FormClose() override;

private:
    void declareFields();
    void buildControls(QWidget* box);
    void Src_ProdStateChange();

    ui::DbNavigator* DbRead;
    QLabel* StateRecord;
    ui::DbEdit* EditTMSUFF;
    ui::DbEdit* EditTMDESC;
    ui::DbEdit* EditTMNLIB;
    ui::DbEdit* EditTMNPGM;
    QPushButton* BtnInsert;
    QPushButton* BtnEdit;
    QPushButton* BtnPost;
    QPushButton* BtnCancel;
    QPushButton* BtnDelete;
    QPushButton* BtnUscita;
    ui::DbGrid* TabGrid;
};

extern TMan_Prodotti* Man_Prodotti;
