// The controls of the base-table and field editor, placed on its two pages.
#include "editors/Man_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/RecordEditor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QLabel* caption(QWidget* parent, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->move(left, top);
    return label;
}

template <class Control> Control* named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QFont courierNew() {
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(9);
    return font;
}

const QStringList FieldTypeItems = {"Character", "Number", "Date", "Logical", "Memo", "OLE"};
const QStringList FieldTypeCodes = {"C", "N", "D", "L", "M", "O"};

} // namespace

void TMan_Archivi::buildMasterPage(QWidget* page) {
    DbRead = named(new ui::DbNavigator(page), "DbRead");
    DbRead->setGeometry(12, 10, 100, 25);
    StateRecord = editors::makeStateLabel(page, QStringLiteral("StateRecord"));
    StateRecord->setGeometry(124, 14, 200, 16);

    caption(page, "Table name", 12, 56);
    EditTBNPFM = named(new ui::DbEdit(page), "EditTBNPFM");
    EditTBNPFM->setUpperCase(true);
    EditTBNPFM->setGeometry(140, 52, 90, 21);
    caption(page, "Table description", 12, 86);
    EditTBDESC = named(new ui::DbEdit(page), "EditTBDESC");
    EditTBDESC->setGeometry(140, 82, 420, 21);
    caption(page, "Application of table", 12, 116);
    EditTBSUFF = named(new ui::DbLookupCombo(page), "EditTBSUFF");
    EditTBSUFF->setGeometry(140, 112, 250, 22);

    EditTMTBAS = named(new ui::DbRadioGroup(page), "EditTMTBAS");
    EditTMTBAS->setTitle(QStringLiteral(" Table type"));
    EditTMTBAS->setItems({"dBASE", "PARADOX"}, {"0", "1"});
    EditTMTBAS->setGeometry(140, 146, 150, 70);
    EditTMBCAR = named(new ui::DbCheckBox(page), "EditTMBCAR");
    EditTMBCAR->setText(QStringLiteral("Copy data."));
    EditTMBCAR->setValues(QStringLiteral("True"), QStringLiteral("False"));
    EditTMBCAR->setGeometry(310, 152, 120, 20);
    auto* dateFrame = named(new QGroupBox(QStringLiteral("Last modify"), page), "GroupData");
    dateFrame->setGeometry(310, 172, 120, 50);
    DbData = named(new ui::DbText(dateFrame), "DbData");
    auto* dateLayout = new QVBoxLayout(dateFrame);
    dateLayout->setContentsMargins(8, 2, 8, 4);
    dateLayout->addWidget(DbData);

    auto buttons = editors::makeRecordButtons(page);
    BtnInsert = buttons.Insert;
    BtnEdit = buttons.Edit;
    BtnPost = buttons.Post;
    BtnCancel = buttons.Cancel;
    BtnDelete = buttons.Delete;
    int left = 12;
    for (QPushButton* button : {BtnInsert, BtnEdit, BtnPost, BtnCancel, BtnDelete}) {
        button->setGeometry(left, 250, 85, 25);
        left += 90;
    }
    BtnRicerca = named(new QPushButton(QStringLiteral("&Find"), page), "BtnRicerca");
    BtnRicerca->setGeometry(475, 250, 85, 25);
}

void TMan_Archivi::buildDetailPage(QWidget* page) {
    caption(page, "Table name", 12, 6);
    TbNome = named(new ui::DbText(page), "TbNome");
    TbNome->setGeometry(12, 22, 100, 18);
    TbNome->setFont(courierNew());
    caption(page, "Table description", 124, 6);
    TbDesc = named(new ui::DbText(page), "TbDesc");
    TbDesc->setGeometry(124, 22, 440, 18);
    for (QLabel* text : {static_cast<QLabel*>(TbNome), static_cast<QLabel*>(TbDesc)})
        text->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    DbRead1 = named(new ui::DbNavigator(page), "DbRead1");
    DbRead1->setGeometry(12, 46, 100, 25);
    StateRecord1 = editors::makeStateLabel(page, QStringLiteral("StateRecord1"));
    StateRecord1->setGeometry(124, 50, 200, 16);

    caption(page, "Field n.", 12, 76);
    EditTDNRIG = named(new ui::DbEdit(page), "EditTDNRIG");
    EditTDNRIG->setGeometry(12, 92, 40, 21);
    editors::setKeyBox(*EditTDNRIG, false);
    caption(page, "Field name", 60, 76);
    EditTDNFLD = named(new ui::DbEdit(page), "EditTDNFLD");
    EditTDNFLD->setUpperCase(true);
    EditTDNFLD->setFont(courierNew());
    EditTDNFLD->setGeometry(60, 92, 95, 21);
    caption(page, "Field description", 163, 76);
    EditTDDESC = named(new ui::DbEdit(page), "EditTDDESC");
    EditTDDESC->setGeometry(163, 92, 300, 21);
    caption(page, "Size", 471, 76);
    EditTDSIZE = named(new ui::DbEdit(page), "EditTDSIZE");
    EditTDSIZE->setGeometry(471, 92, 42, 21);
    caption(page, "Dec.", 521, 76);
    EdutTDDECS = named(new ui::DbEdit(page), "EdutTDDECS");
    EdutTDDECS->setGeometry(521, 92, 42, 21);

    EditTDTFLD = named(new ui::DbRadioGroup(page), "EditTDTFLD");
    EditTDTFLD->setTitle(QStringLiteral(" Field type "));
    delete EditTDTFLD->layout(); // the six items side by side
    new QHBoxLayout(EditTDTFLD);
    EditTDTFLD->layout()->setContentsMargins(8, 2, 8, 4);
    EditTDTFLD->setItems(FieldTypeItems, FieldTypeCodes);
    EditTDTFLD->setGeometry(12, 118, 551, 50);

    auto buttons = editors::makeRecordButtons(page, QStringLiteral("1"));
    BtnInsert1 = buttons.Insert;
    BtnEdit1 = buttons.Edit;
    BtnPost1 = buttons.Post;
    BtnCancel1 = buttons.Cancel;
    BtnDelete1 = buttons.Delete;
    BtnIndici = named(new QPushButton(QStringLiteral("&Index"), page), "BtnIndici");
    BtnCrea = named(new QPushButton(QStringLiteral("&Create"), page), "BtnCrea");
    int left = 12;
    for (QPushButton* button :
         {BtnInsert1, BtnEdit1, BtnPost1, BtnCancel1, BtnDelete1, BtnIndici, BtnCrea}) {
        button->setGeometry(left, 176, 74, 24);
        left += button == BtnDelete1 ? 90 : 78;
    }

    auto* title = named(caption(page, "Field roster.", 12, 206), "LabRoster");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    DbDbaGrid = named(new ui::DbGrid(page), "DbDbaGrid");
    DbDbaGrid->setGeometry(12, 222, 551, 116);
}

void TMan_Archivi::bindControls() {
    DbRead->setDataSource(&Src_Base);
    EditTBNPFM->bind(&Src_Base, "TMNPFM");
    EditTBDESC->bind(&Src_Base, "TMDESC");
    EditTBSUFF->bind(&Src_Base, "TMSUFF");
    EditTBSUFF->setList(&Dm_Vadem->Src_Prod, "TMSUFF", "TMDESC");
    EditTMTBAS->bind(&Src_Base, "TMTBAS");
    EditTMBCAR->bind(&Src_Base, "TMBCAR");
    DbData->bind(&Src_Base, "TMDATA");

    TbNome->bind(&Src_Base, "TMNPFM");
    TbDesc->bind(&Src_Base, "TMDESC");
    DbRead1->setDataSource(&Src_Field);
    EditTDNRIG->bind(&Src_Field, "TMNRIG");
    EditTDNFLD->bind(&Src_Field, "TMNFLD");
    EditTDDESC->bind(&Src_Field, "TMDESC");
    EditTDTFLD->bind(&Src_Field, "TMTFLD");
    EditTDSIZE->bind(&Src_Field, "TMSIZE");
    EdutTDDECS->bind(&Src_Field, "TMDECS");

    QFont name = courierNew();
    name.setBold(true);
    QFont italic = DbDbaGrid->font();
    italic.setItalic(true);
    DbDbaGrid->setDataSource(&Src_Field);
    DbDbaGrid->setColumns(
        {editors::gridColumn("TMNFLD", QStringLiteral("Field name"), 90, name),
         editors::gridColumn("TMDESC", QStringLiteral("Field description"), 225, italic),
         editors::gridColumn("TMDATA", QStringLiteral("Update"), 70),
         editors::gridColumn("DTIP", QStringLiteral("Type"), 64),
         editors::gridColumn("TMSIZE", QStringLiteral("Size"), 36),
         editors::gridColumn("TMDECS", QStringLiteral("Dec."), 36)});
}
