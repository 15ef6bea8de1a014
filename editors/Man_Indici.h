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

#include <string>

// The index editor: the index rows of one base table. The caller sets
// TableName and TableDescription before each showing. Storing an index row
// stamps the base table's date through Man_Archivi. One instance, Man_Indici.
class TMan_Indici : public editors::EditorDialog {
    Q_OBJECT
public:
    explicit TMan_Indici(QWidget* parent = nullptr);

    std::string TableName;
    std::string TableDescription;

    engine::TTable Index;
    engine::TDataSource Src_Index;

    // Button actions 1-5: insert, edit, post, cancel, delete.
    void IndexAction(int code);
    void ValidateIndex();

    void FormCreate();
    void FormActivate() override;
    void FormClose() override;

private:
    void declareFields();
    void buildControls();
    void Src_IndexStateChange();
    void IndexBeforePost();

    QLabel* LabCodi;
    QLabel* LabDesc;
    ui::DbNavigator* DbRead;
    QLabel* StateRecord;
    ui::DbEdit* EditTMNFLD;
    ui::DbEdit* EditTMDESC;
    ui::DbEdit* EditTMSIZE;
    ui::DbEdit* EditTMDCND;
    QPushButton* BtnInsert;
    QPushButton* BtnEdit;
    QPushButton* BtnPost;
    QPushButton* BtnCancel;
    QPushButton* BtnDelete;
    QPushButton* BtnUscita;
    ui::DbGrid* TabGrid;
};

extern TMan_Indici* Man_Indici;
