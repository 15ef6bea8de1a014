#pragma once

#include "engine/dataset/DataSource.h"
#include "engine/dataset/Table.h"
#include "ui/DbGrid.h"

#include "editors/EditorDialog.h"

#include <QPushButton>

// The installed applications: the rows of T_PROD with their installed flag,
// switched by a double click. Shown modally; one instance, Man_Installato.
class TMan_Installato : public editors::EditorDialog {
    Q_OBJECT
public:
    explicit TMan_Installato(QWidget* parent = nullptr);

    engine::TTable Prod;
    engine::TDataSource Src_Prod;
    ui::DbGrid* GrdProd;
    QPushButton* BitUscita;

    void FormCreate();
    void FormActivate() override;
    void FormClose() override;
    void GrdProdDblClick();
    void ProdBeforePost();
};

extern TMan_Installato* Man_Installato;
