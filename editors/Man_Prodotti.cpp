#include "editors/Man_Prodotti.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/RecordEditor.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

#include <QFrame>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

TMan_Prodotti* Man_Prodotti = nullptr;

using engine::dsEdit;
using engine::dsInsert;

TMan_Prodotti::TMan_Prodotti(QWidget* parent) : editors::EditorDialog(parent) {
    setObjectName(QStringLiteral("Man_Prodotti"));
    setWindowTitle(QStringLiteral("Application"));
    resize(590, 376);
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    setStyleSheet(QStringLiteral("QLabel { color: black; }"));

    Prod.Name = "Prod";
    Prod.SetTableName("T_PROD");
    Prod.SetTableType(engine::ttDBase);
    Prod.SetIndexName("PROD00");
    declareFields();
    Src_Prod.SetDataSet(&Prod);
    Src_Prod.AutoEdit = false;
    Dm_Vadem->DictionaryDataSets.push_back(&Prod);

    // A lowered panel holding a borderless scroll box with the controls.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(4);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addWidget(scroll);
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("ScrollContent"));
    box->resize(566, 345);
    buildControls(box);
    scroll->setWidget(box);

    FormCreate();
    ui::centreOnScreen(*this);
}

void TMan_Prodotti::declareFields() {
    using namespace engine;
    Prod.AddField("TMDESC", ftString, 35);
    Prod.AddField("TMNLIB", ftString, 10);
    Prod.AddField("TMNPGM", ftString, 10);
    Prod.AddField("TMSUFF", ftString, 2).DisplayWidth = 4;
    Prod.AddField("TMDIST", ftDate, 0).DisplayFormat = "dd/mm/yyyy";
    Prod.AddField("TMBIST", ftBoolean, 0).DisplayFormat = "    Yes;    No";
    Prod.BeforePost = [this](TDataSet&) { ValidateProd(); };
}

void TMan_Prodotti::buildControls(QWidget* box) {
    DbRead = new ui::DbNavigator(box);
    DbRead->setObjectName(QStringLiteral("DbRead"));
    DbRead->setGeometry(12, 8, 80, 25);
    DbRead->setFocusPolicy(Qt::TabFocus); // a stop of its own in the tab order
    StateRecord = editors::makeStateLabel(box, QStringLiteral("StateRecord"));
    StateRecord->setText(QStringLiteral("[Stato file]"));
    StateRecord->setGeometry(99, 13, 200, 16);

    auto row = [box](const char* labelName, const char* caption, const char* editName, int top,
                     int width) {
        auto* label = new QLabel(QString::fromLatin1(caption), box);
        label->setObjectName(QString::fromLatin1(labelName));
        label->move(12, top + 3);
        auto* edit = new ui::DbEdit(box);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setGeometry(125, top, width, 21);
        return edit;
    };
    EditTMSUFF = row("Label6", "Extension", "EditTMSUFF", 58, 30);
    EditTMSUFF->setUpperCase(true);
    EditTMDESC = row("Label3", "Application", "EditTMDESC", 87, 220);
    EditTMNLIB = row("Label1", "Directory", "EditTMNLIB", 115, 120);
    EditTMNPGM = row("Label2", "Program name", "EditTMNPGM", 144, 120);

    auto buttons = editors::makeRecordButtons(box);
    BtnInsert = buttons.Insert;
    BtnEdit = buttons.Edit;
    BtnPost = buttons.Post;
    BtnCancel = buttons.Cancel;
    BtnDelete = buttons.Delete;
    int top = 4;
    for (QPushButton* button : {BtnInsert, BtnEdit, BtnPost, BtnCancel, BtnDelete}) {
        button->setGeometry(470, top, 85, 20);
        top += 19;
    }
    BtnUscita = new QPushButton(QStringLiteral("Cl&ose"), box);
    BtnUscita->setObjectName(QStringLiteral("BtnUscita"));
    BtnUscita->setGeometry(470, 165, 85, 25);
    BtnUscita->setIcon(BtnUscita->style()->standardIcon(QStyle::SP_DialogCloseButton));

    TabGrid = new ui::DbGrid(box);
    TabGrid->setObjectName(QStringLiteral("TabGrid"));
    TabGrid->setGeometry(12, 195, 543, 139);

    DbRead->setDataSource(&Src_Prod);
    EditTMSUFF->bind(&Src_Prod, "TMSUFF");
    EditTMDESC->bind(&Src_Prod, "TMDESC");
    EditTMNLIB->bind(&Src_Prod, "TMNLIB");
    EditTMNPGM->bind(&Src_Prod, "TMNPGM");
    QFont bold = TabGrid->font();
    bold.setBold(true);
    QFont italic = TabGrid->font();
    italic.setItalic(true);
    TabGrid->setDataSource(&Src_Prod);
    TabGrid->setColumns(
        {editors::gridColumn("TMSUFF", QStringLiteral("Ext."), 36, bold),
         editors::gridColumn("TMDESC", QStringLiteral("Application"), 200, italic),
         editors::gridColumn("TMNLIB", QStringLiteral("Directory"), 80),
         editors::gridColumn("TMNPGM", QStringLiteral("Program"), 80),
         editors::gridColumn("TMBIST", QStringLiteral("Installed"), 60, bold, QColor(Qt::red)),
         editors::gridColumn("TMDIST", QStringLiteral("Date"), 70)});

    QWidget* order[] = {EditTMSUFF, EditTMDESC, EditTMNLIB, EditTMNPGM, BtnUscita, BtnInsert,
                        BtnEdit,    BtnPost,    BtnCancel,  BtnDelete,  DbRead,    TabGrid};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    int code = 1;
    for (QPushButton* button : {BtnInsert, BtnEdit, BtnPost, BtnCancel, BtnDelete}) {
        connect(button, &QPushButton::clicked, this,
                [this, code] { ui::showingErrors([&] { ProdAction(code); }); });
        ++code;
    }
    connect(BtnUscita, &QPushButton::clicked, this, &QWidget::close);
    ui::onStateChange(Src_Prod, [this](engine::TDataSource&) { Src_ProdStateChange(); });
}

void TMan_Prodotti::FormCreate() {
    Prod.SetDatabaseName(Dm_Vadem->DictPath);
}

void TMan_Prodotti::FormActivate() {
    editors::openOrRefresh(Prod);
}

void TMan_Prodotti::FormClose() {
    if (Prod.Active())
        Prod.Cancel();
}

void TMan_Prodotti::ProdAction(int code) {
    // What the boxes show belongs to the row (the delete question names it
    // as typed); Cancel drops it unstored.
    if (code != 4)
        ui::updateRecord(Src_Prod);
    switch (code) {
    case 1:
        Prod.Insert();
        break;
    case 2:
        Prod.Edit();
        break;
    case 3:
        Prod.Post();
        break;
    case 4:
        Prod.Cancel();
        break;
    case 5:
        if (ui::dialogs().confirm(
                "Extension delete : [" +
                QString::fromStdString(Prod.FieldByName("TMSUFF").AsString()) + "] " +
                QString::fromStdString(Prod.FieldByName("TMDESC").AsString())) == ui::Answer::Yes)
            Prod.Delete();
        break;
    default:
        break;
    }
}

void TMan_Prodotti::Src_ProdStateChange() {
    auto state = Src_Prod.State();
    editors::applyStateTable(*StateRecord, state,
                             {{DbRead, false, false, true},
                              {TabGrid, false, true, true},
                              {BtnInsert, true, false, true},
                              {BtnEdit, false, false, true},
                              {BtnPost, false, true, false},
                              {BtnCancel, true, true, false},
                              {BtnDelete, false, true, false}});
    if (!editors::isModeState(state))
        return;
    editors::setKeyBox(*EditTMSUFF, state == dsInsert);
    if (state == dsInsert) {
        Prod.FieldByName("TMBIST").SetAsBoolean(false);
        EditTMSUFF->setFocus();
    } else if (state == dsEdit) {
        EditTMDESC->setFocus();
    }
}

void TMan_Prodotti::ValidateProd() {
    if (Prod.FieldByName("TMSUFF").AsString().empty())
        editors::refuse(EditTMSUFF, "Error. Extension, is missing");
    if (Prod.FieldByName("TMDESC").AsString().empty())
        editors::refuse(EditTMDESC, "Error. Application, is missing");
    if (Prod.State() == dsInsert) {
        engine::TTable& applications = Dm_Vadem->Prod;
        editors::openOrRefresh(applications);
        if (applications.FindKey({engine::Value(Prod.FieldByName("TMSUFF").AsString())}))
            editors::refuse(EditTMSUFF, "Error. Try to key-duplicate");
    }
}
