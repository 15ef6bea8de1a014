#pragma once

#include "engine/dataset/DataSource.h"
#include "engine/dataset/Table.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbNavigator.h"
#include "ui/DbRadioGroup.h"
#include "ui/DbText.h"

#include "editors/EditorDialog.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <string>

// The base-table and field editor. Page "Base - Master" edits the base-table
// rows of T_BASE, page "Base - Detail" the field rows of the current base
// table. Shown modally; one instance, Man_Archivi. The index editor stamps a
// base table's date through DateStamping, Base and BaseTMDATA.
class TMan_Archivi : public editors::EditorDialog {
    Q_OBJECT
public:
    explicit TMan_Archivi(QWidget* parent = nullptr);

    engine::TTable Base;
    engine::TTable Field;
    engine::TDataSource Src_Base;
    engine::TDataSource Src_Field;
    engine::TField* BaseTMNPFM;
    engine::TField* BaseTMDESC;
    engine::TField* BaseTMDATA;
    engine::TField* FieldTMTFLD;
    engine::TField* FieldDTIP;

    // The base-table row is put into edit state only to stamp its date.
    bool DateStamping = false;

    // The row number the next new field row gets.
    int NextFieldRow = 0;
    // The type of the last stored field row, offered to the next new one.
    std::string RememberedFieldType;
    bool TypeRemembered = false;
    // The field page loads its rows again when it is next shown.
    bool DetailReload = true;
    // A report preview started here is open.
    bool PrintInProgress = false;

    // Button actions: 1-5 on Base (insert, edit, post, cancel, delete),
    // 10-50 likewise on Field.
    void BaseAction(int code);
    void ValidateBase();
    void ValidateField();
    // Restricts Field to the rows of one table and sets NextFieldRow.
    void LoadFieldRows(const std::string& tableName);
    // Deletes every field row of one table.
    void DeleteFieldRows(const std::string& tableName);
    // Starts again as on the first showing: the "Base - Master" page, the
    // field page to be loaded, nothing remembered. The restore asks for it.
    void StartAsFirstShown();

    // The page about to be shown, before it is shown.
    void Tab_DistintaChange(int newPage);
    // A click on a tab, after the page change it caused.
    void Tab_DistintaClick();

    void FormCreate();
    void FormActivate() override;
    void FormClose() override;

    // Stamps today's date on the current base-table row (the index editor
    // and the field store use it); a failed store leaves the row as it was.
    void StampBaseDate();

    void BtnStampaClick();
    void BtnRicercaClick();
    void BtnIndiciClick();
    void BtnCreaClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void declareFields();
    void buildMasterPage(QWidget* page);
    void buildDetailPage(QWidget* page);
    void bindControls();
    void connectButtons();
    void Src_BaseStateChange();
    void Src_FieldStateChange();
    void BaseBeforePost();
    void FieldBeforePost();
    void FieldCalcFields();
    void showChild(QDialog& window);
    void deleteBaseTable();
    void deleteFieldRow();
    void skipTakenFieldRows();
    int highestFieldRow(const std::string& tableName);
    void showPage(int page);
    void tabClicked(int page);

    QTabWidget* Tab_Distinta;
    QPushButton* BtnStampa;
    QPushButton* BtnUscita;

    ui::DbNavigator* DbRead;
    QLabel* StateRecord;
    ui::DbEdit* EditTBNPFM;
    ui::DbEdit* EditTBDESC;
    ui::DbLookupCombo* EditTBSUFF;
    ui::DbRadioGroup* EditTMTBAS;
    ui::DbCheckBox* EditTMBCAR;
    ui::DbText* DbData;
    QPushButton* BtnInsert;
    QPushButton* BtnEdit;
    QPushButton* BtnPost;
    QPushButton* BtnCancel;
    QPushButton* BtnDelete;
    QPushButton* BtnRicerca;

    ui::DbText* TbNome;
    ui::DbText* TbDesc;
    ui::DbNavigator* DbRead1;
    QLabel* StateRecord1;
    ui::DbEdit* EditTDNRIG;
    ui::DbEdit* EditTDNFLD;
    ui::DbEdit* EditTDDESC;
    ui::DbRadioGroup* EditTDTFLD;
    ui::DbEdit* EditTDSIZE;
    ui::DbEdit* EdutTDDECS;
    ui::DbGrid* DbDbaGrid;
    QPushButton* BtnInsert1;
    QPushButton* BtnEdit1;
    QPushButton* BtnPost1;
    QPushButton* BtnCancel1;
    QPushButton* BtnDelete1;
    QPushButton* BtnIndici;
    QPushButton* BtnCrea;

    bool changingPage_ = false;
};

extern TMan_Archivi* Man_Archivi;
