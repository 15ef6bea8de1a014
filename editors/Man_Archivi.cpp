#include "editors/Man_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/TypeWords.h"
#include "editors/Man_Indici.h"
#include "editors/RecordEditor.h"
#include "editors/Ric_Gen.h"
#include "operations/Crt_Archivi.h"
#include "reports/QRP_Archivi.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

#include <QMouseEvent>
#include <QShowEvent>
#include <QTabBar>

#include <algorithm>

TMan_Archivi* Man_Archivi = nullptr;

using engine::dsBrowse;
using engine::dsEdit;
using engine::dsInsert;

namespace {

bool pending(const engine::TDataSet& dataSet) {
    return dataSet.State() == dsInsert || dataSet.State() == dsEdit;
}

// The persistent fields of a T_BASE row, declared on a closed dataset.
void declareBaseFields(engine::TTable& table) {
    using namespace engine;
    table.AddField("TMTIPO", ftString, 1);
    table.AddField("TMSUFF", ftString, 2);
    table.AddField("TMNRIG", ftSmallint, 0);
    table.AddField("TMNPFM", ftString, 10);
    table.AddField("TMTFLD", ftString, 1);
    table.AddField("TMNFLD", ftString, 10);
    table.AddField("TMDESC", ftString, 75);
    table.AddField("TMDCND", ftString, 75);
    TField& date = table.AddField("TMDATA", ftDate, 0);
    date.DisplayFormat = "dd/mm/yyyy";
    date.EditMask = "!99/99/0000;1;_";
    table.AddField("TMSIZE", ftSmallint, 0);
    table.AddField("TMDECS", ftSmallint, 0);
    table.AddField("TMBCAR", ftBoolean, 0);
    table.AddField("TMTBAS", ftString, 1);
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TMan_Archivi::TMan_Archivi(QWidget* parent) : editors::EditorDialog(parent) {
    setObjectName(QStringLiteral("Man_Archivi"));
    setWindowTitle(QStringLiteral("Base-Tables"));
    setFixedSize(590, 427);
    setModal(true);
    setFont(QFont(QStringLiteral("Arial"), 8));

    Base.Name = "Base";
    Field.Name = "Field";
    for (engine::TTable* table : {&Base, &Field}) {
        table->SetTableName("T_BASE");
        table->SetTableType(engine::ttDBase);
        table->SetFiltered(true);
    }
    Base.SetFilter("[TMTIPO]='A'");
    Base.SetIndexName("BASE03");
    Field.SetFilter("[TMTIPO]='B'");
    Field.SetIndexName("BASE02");
    declareFields();
    Src_Base.SetDataSet(&Base);
    Src_Field.SetDataSet(&Field);
    Src_Base.AutoEdit = false;
    Src_Field.AutoEdit = false;
    Dm_Vadem->DictionaryDataSets.push_back(&Base);
    Dm_Vadem->DictionaryDataSets.push_back(&Field);
    Dm_Vadem->DictionaryWindowResets.push_back([this] { StartAsFirstShown(); });

    Tab_Distinta = new QTabWidget(this);
    Tab_Distinta->setObjectName(QStringLiteral("Tab_Distinta"));
    Tab_Distinta->setGeometry(4, 4, 582, 380);
    QFont bold = Tab_Distinta->tabBar()->font();
    bold.setBold(true);
    Tab_Distinta->tabBar()->setFont(bold);
    auto* master = new QWidget;
    master->setObjectName(QStringLiteral("PageMaster"));
    auto* detail = new QWidget;
    detail->setObjectName(QStringLiteral("PageDetail"));
    Tab_Distinta->addTab(master, QStringLiteral("Base - Master"));
    Tab_Distinta->addTab(detail, QStringLiteral("Base - Detail"));
    buildMasterPage(master);
    buildDetailPage(detail);

    BtnStampa = new QPushButton(QStringLiteral("&Print"), this);
    BtnStampa->setObjectName(QStringLiteral("BtnStampa"));
    BtnStampa->setGeometry(8, 393, 85, 25);
    BtnUscita = new QPushButton(QStringLiteral("Cl&ose"), this);
    BtnUscita->setObjectName(QStringLiteral("BtnUscita"));
    BtnUscita->setGeometry(497, 393, 85, 25);

    bindControls();
    connectButtons();
    FormCreate();
    ui::centreOnScreen(*this);
}

void TMan_Archivi::declareFields() {
    declareBaseFields(Base);
    declareBaseFields(Field);
    BaseTMNPFM = &Base.FieldByName("TMNPFM");
    BaseTMDESC = &Base.FieldByName("TMDESC");
    BaseTMDATA = &Base.FieldByName("TMDATA");
    FieldTMTFLD = &Field.FieldByName("TMTFLD");
    FieldDTIP = &Field.AddField("DTIP", engine::ftString, 10, engine::fkCalculated);
    Field.OnCalcFields = [this](engine::TDataSet&) { FieldCalcFields(); };
    Base.BeforePost = [this](engine::TDataSet&) { BaseBeforePost(); };
    Field.BeforePost = [this](engine::TDataSet&) { FieldBeforePost(); };
}

void TMan_Archivi::connectButtons() {
    auto action = [this](QPushButton* button, int code) {
        connect(button, &QPushButton::clicked, this,
                [this, code] { ui::showingErrors([&] { BaseAction(code); }); });
    };
    action(BtnInsert, 1);
    action(BtnEdit, 2);
    action(BtnPost, 3);
    action(BtnCancel, 4);
    action(BtnDelete, 5);
    action(BtnInsert1, 10);
    action(BtnEdit1, 20);
    action(BtnPost1, 30);
    action(BtnCancel1, 40);
    action(BtnDelete1, 50);
    auto click = [this](QPushButton* button, void (TMan_Archivi::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { ui::showingErrors([&] { (this->*handler)(); }); });
    };
    click(BtnStampa, &TMan_Archivi::BtnStampaClick);
    click(BtnRicerca, &TMan_Archivi::BtnRicercaClick);
    click(BtnIndici, &TMan_Archivi::BtnIndiciClick);
    click(BtnCrea, &TMan_Archivi::BtnCreaClick);
    connect(BtnUscita, &QPushButton::clicked, this, &QWidget::close);

    Tab_Distinta->tabBar()->installEventFilter(this);
    connect(Tab_Distinta, &QTabWidget::currentChanged, this, [this](int page) {
        if (!changingPage_) // a change by keyboard: told after the fact
            ui::showingErrors([&] { Tab_DistintaChange(page); });
    });
    ui::onStateChange(Src_Base, [this](engine::TDataSource&) { Src_BaseStateChange(); });
    ui::onStateChange(Src_Field, [this](engine::TDataSource&) { Src_FieldStateChange(); });
}

// ---- creation, activation, closing

void TMan_Archivi::FormCreate() {
    Tab_Distinta->setCurrentIndex(0);
    DetailReload = true;
    Base.SetDatabaseName(Dm_Vadem->DictPath);
    Field.SetDatabaseName(Dm_Vadem->DictPath);
}

void TMan_Archivi::StartAsFirstShown() {
    NextFieldRow = 0;
    RememberedFieldType.clear();
    TypeRemembered = false;
    DetailReload = true;
    changingPage_ = true;
    Tab_Distinta->setCurrentIndex(0);
    changingPage_ = false;
}

void TMan_Archivi::FormActivate() {
    if (PrintInProgress)
        return;
    // What the boxes show is part of a pending row that the refresh stores.
    ui::updateRecord(Src_Base);
    ui::updateRecord(Src_Field);
    editors::openOrRefresh(Base);
    editors::openOrRefresh(Field);
    editors::openOrRefresh(Dm_Vadem->Prod);
    Dm_Vadem->Src_Prod.SetEnabled(true);
}

void TMan_Archivi::FormClose() {
    if (Base.Active())
        Base.Cancel();
}

// The window is active again when a window shown from it closes.
void TMan_Archivi::showChild(QDialog& window) {
    ui::showModal(window);
    ui::showingErrors([this] { FormActivate(); });
}

// ---- button actions

void TMan_Archivi::BaseAction(int code) {
    // What the boxes show belongs to the row (the delete question names it
    // as typed); Cancel drops it unstored.
    if (code != 4 && code != 40)
        ui::updateRecord(code < 10 ? Src_Base : Src_Field);
    switch (code) {
    case 1:
        Base.Insert();
        break;
    case 2:
        Base.Edit();
        break;
    case 3:
        Base.Post();
        break;
    case 4:
        Base.Cancel();
        break;
    case 5:
        deleteBaseTable();
        break;
    case 10:
        Field.Insert();
        break;
    case 20:
        Field.Edit();
        break;
    case 30:
        Field.Post();
        break;
    case 40:
        Field.Cancel();
        break;
    case 50:
        deleteFieldRow();
        break;
    default:
        break;
    }
}

void TMan_Archivi::deleteBaseTable() {
    std::string name = BaseTMNPFM->AsString();
    QString question = "Confirm table delete : [" + qs(name) + "] " + qs(BaseTMDESC->AsString());
    if (ui::dialogs().confirm(question) != ui::Answer::Yes)
        return;
    DeleteFieldRows(name);
    Base.Delete();
}

void TMan_Archivi::DeleteFieldRows(const std::string& tableName) {
    engine::TTable& rows = Dm_Vadem->Field;
    editors::openOrRefresh(rows);
    for (;;) {
        rows.SetKey();
        rows.FieldByName("TMNPFM").SetAsString(tableName);
        rows.FieldByName("TMNFLD").SetAsString("");
        rows.GotoNearest();
        if (rows.Eof() || rows.FieldByName("TMNPFM").AsString() != tableName)
            return;
        rows.Delete();
    }
}

void TMan_Archivi::deleteFieldRow() {
    QString question = "Confirm field delete : " + qs(Field.FieldByName("TMNPFM").AsString()) +
                       " - " + qs(Field.FieldByName("TMDESC").AsString());
    if (ui::dialogs().confirm(question) == ui::Answer::Yes)
        Field.Delete();
}

// ---- states

void TMan_Archivi::Src_BaseStateChange() {
    auto state = Src_Base.State();
    editors::applyStateTable(*StateRecord, state,
                             {{DbRead, false, false, true},
                              {BtnRicerca, false, false, true},
                              {BtnInsert, false, false, true},
                              {BtnEdit, false, false, true},
                              {BtnPost, false, true, false},
                              {BtnCancel, true, true, false},
                              {BtnDelete, false, true, false}});
    if (!editors::isModeState(state))
        return;
    editors::setKeyBox(*EditTBNPFM, state == dsInsert);
    if (state == dsInsert) {
        EditTBNPFM->setFocus();
        Base.FieldByName("TMTIPO").SetAsString("A");
        BaseTMDATA->SetAsDateTime(engine::Date::today());
        Base.FieldByName("TMBCAR").SetAsBoolean(false);
        Base.FieldByName("TMTBAS").SetAsString("0");
    } else if (state == dsEdit && !DateStamping) {
        EditTBDESC->setFocus();
    }
}

void TMan_Archivi::Src_FieldStateChange() {
    auto state = Src_Field.State();
    editors::applyStateTable(*StateRecord1, state,
                             {{DbRead1, false, false, true},
                              {DbDbaGrid, false, false, true},
                              {BtnInsert1, true, false, true},
                              {BtnEdit1, false, false, true},
                              {BtnPost1, false, true, false},
                              {BtnCancel1, true, true, false},
                              {BtnDelete1, false, true, false}});
    if (!editors::isModeState(state))
        return;
    editors::setKeyBox(*EditTDNFLD, state == dsInsert);
    if (state == dsInsert) {
        EditTDNFLD->setFocus();
        FieldTMTFLD->SetAsString(TypeRemembered ? RememberedFieldType : "C");
        Field.FieldByName("TMNPFM").SetAsString(EditTBNPFM->text().toStdString());
        Field.FieldByName("TMTIPO").SetAsString("B");
        Field.FieldByName("TMNRIG").SetAsInteger(NextFieldRow);
        Field.FieldByName("TMBCAR").SetAsBoolean(false);
    } else if (state == dsEdit) {
        EditTDDESC->setFocus();
    }
}

// ---- checks and stores

void TMan_Archivi::BaseBeforePost() {
    ValidateBase();
}

void TMan_Archivi::ValidateBase() {
    if (BaseTMNPFM->AsString().empty())
        editors::refuse(EditTBNPFM, "Error. Table name, wanted");
    if (BaseTMDESC->AsString().empty())
        editors::refuse(EditTBDESC, "Error. Table description, wanted");
    if (Base.State() == dsInsert) {
        engine::TTable& tables = Dm_Vadem->Base;
        editors::openOrRefresh(tables);
        if (tables.FindKey({engine::Value(BaseTMNPFM->AsString())}))
            editors::refuse(EditTBNPFM, "Error. Try to table duplicate");
    }
}

void TMan_Archivi::ValidateField() {
    if (Field.FieldByName("TMNFLD").AsString().empty())
        editors::refuse(EditTDNFLD, "Error. Field name, is missing");
    if (Field.FieldByName("TMDESC").AsString().empty())
        editors::refuse(EditTDDESC, "Error. Field description, is missing");
    if (Field.FieldByName("TMSIZE").AsInteger() == 0)
        editors::refuse(EditTDSIZE, "Error. Field lengtht, is missing");
    if (Field.State() == dsInsert && NextFieldRow > 99)
        editors::refuse(EditTDNFLD, "Error. Max number of fields is reached [99]");
    engine::TTable& fields = Dm_Vadem->Field;
    editors::openOrRefresh(fields);
    fields.SetKey();
    fields.FieldByName("TMNPFM").SetAsString(EditTBNPFM->text().toStdString());
    fields.FieldByName("TMNFLD").SetAsString(EditTDNFLD->text().toStdString());
    if (fields.GotoKey() && std::to_string(fields.FieldByName("TMNRIG").AsInteger()) !=
                                EditTDNRIG->text().toStdString())
        editors::refuse(EditTDNFLD, "Error. Try to fields duplicate");
}

void TMan_Archivi::FieldBeforePost() {
    if (Field.State() == dsInsert)
        skipTakenFieldRows();
    ValidateField();
    StampBaseDate();
    TypeRemembered = true;
    Field.FieldByName("TMDATA").SetAsDateTime(engine::Date::today());
    RememberedFieldType = FieldTMTFLD->AsString();
    if (Field.State() == dsInsert)
        ++NextFieldRow;
}

// A number is never given twice: rows of the table stored since its page was
// loaded (by another window or program) are counted.
void TMan_Archivi::skipTakenFieldRows() {
    int highest = highestFieldRow(Field.FieldByName("TMNPFM").AsString());
    if (NextFieldRow > highest)
        return;
    NextFieldRow = highest + 1;
    Field.FieldByName("TMNRIG").SetAsInteger(NextFieldRow);
}

int TMan_Archivi::highestFieldRow(const std::string& tableName) {
    engine::TTable& rows = Dm_Vadem->Field;
    editors::openOrRefresh(rows);
    rows.SetKey();
    rows.FieldByName("TMNPFM").SetAsString(tableName);
    rows.FieldByName("TMNFLD").SetAsString("");
    rows.GotoNearest();
    int highest = 0;
    for (; !rows.Eof() && rows.FieldByName("TMNPFM").AsString() == tableName; rows.Next())
        highest = std::max(highest, static_cast<int>(rows.FieldByName("TMNRIG").AsInteger()));
    return highest;
}

void TMan_Archivi::StampBaseDate() {
    bool browsing = Base.State() == dsBrowse;
    DateStamping = true;
    try {
        Base.Edit();
        BaseTMDATA->SetAsDateTime(engine::Date::today());
        Base.Post();
    } catch (...) {
        DateStamping = false;
        if (browsing) // the edit was only for the stamp
            Base.Cancel();
        throw;
    }
    DateStamping = false;
}

void TMan_Archivi::FieldCalcFields() {
    FieldDTIP->SetAsString(dictionary::fieldTypeWord(FieldTMTFLD->AsString()));
}

// ---- field page

void TMan_Archivi::LoadFieldRows(const std::string& tableName) {
    NextFieldRow = 0;
    {
        editors::Unfollowed quiet(Src_Field);
        editors::openOrRefresh(Field);
        Field.CancelRange();
        Field.SetRangeStart();
        Field.FieldByName("TMNPFM").SetAsString(tableName);
        Field.FieldByName("TMNRIG").Clear();
        Field.SetRangeEnd();
        Field.FieldByName("TMNPFM").SetAsString(tableName);
        Field.FieldByName("TMNRIG").SetAsInteger(999);
        Field.ApplyRange();
        Field.Last();
        NextFieldRow =
            Field.IsEmpty() ? 0 : static_cast<int>(Field.FieldByName("TMNRIG").AsInteger());
    }
    NextFieldRow += 1;
}

void TMan_Archivi::Tab_DistintaChange(int newPage) {
    if (newPage == 0) {
        if (Field.Active())
            Field.Cancel();
        DetailReload = true;
    } else if (newPage == 1 && DetailReload) {
        LoadFieldRows(BaseTMNPFM->AsString());
        TypeRemembered = false;
        DetailReload = false;
        RememberedFieldType.clear();
    }
}

void TMan_Archivi::Tab_DistintaClick() {
    if (!pending(Base))
        return;
    Base.Post();
    showPage(1);
}

void TMan_Archivi::showPage(int page) {
    if (page == Tab_Distinta->currentIndex())
        return;
    Tab_DistintaChange(page);
    changingPage_ = true;
    Tab_Distinta->setCurrentIndex(page);
    changingPage_ = false;
}

// A click on a tab is handled whole here: the page change first, then the
// click, which may move on to the Detail page.
bool TMan_Archivi::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Tab_Distinta->tabBar() || event->type() != QEvent::MouseButtonPress)
        return QDialog::eventFilter(watched, event);
    auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() != Qt::LeftButton)
        return true;
    tabClicked(Tab_Distinta->tabBar()->tabAt(press->position().toPoint()));
    return true;
}

void TMan_Archivi::tabClicked(int page) {
    if (page < 0)
        return;
    ui::showingErrors([&] {
        ui::updateRecord(Src_Base); // the click leaves the box being typed in
        showPage(page);
    });
    ui::showingErrors([this] { Tab_DistintaClick(); });
}

// ---- other windows

void TMan_Archivi::BtnStampaClick() {
    PrintInProgress = true;
    QRP_Archivi->ReportTable = "T_BASE";
    if (Tab_Distinta->currentIndex() == 0) {
        QRP_Archivi->ReportTitle = "Print Base-Tables.";
        QRP_Archivi->ReportFilter = "TMTIPO=\"A\"";
        QRP_Archivi->ReportParams.clear();
        QRP_Archivi->ReportTables = true;
    } else {
        std::string name = BaseTMNPFM->AsString();
        QRP_Archivi->ReportTitle = "[ " + name + " ] - " + BaseTMDESC->AsString();
        // The name goes as a parameter: a double quote in it cannot change the query.
        QRP_Archivi->ReportFilter = "TMTIPO=\"B\" AND TMNPFM=:qTable";
        QRP_Archivi->ReportParams = {{"qTable", name}};
        QRP_Archivi->ReportTables = false;
    }
    // The preview hands the activation back while printing is still on.
    QRP_Archivi->Rep_Archivi.Preview(this);
    ui::showingErrors([this] { FormActivate(); });
    PrintInProgress = false;
}

void TMan_Archivi::BtnRicercaClick() {
    Ric_Gen->SearchTable = "T_BASE";
    Ric_Gen->SearchDescField = "TMDESC";
    Ric_Gen->SearchCodeField = "TMNPFM";
    Ric_Gen->SearchDescSize = 75;
    Ric_Gen->SearchCodeSize = 10;
    Ric_Gen->SearchFilter = "TMTIPO=\"A\"";
    Ric_Gen->SearchCaption = "Searching base-tables";
    showChild(*Ric_Gen);
    if (!Ric_Gen->SearchFound)
        return;
    engine::TTable& tables = Dm_Vadem->Base;
    if (!tables.Active())
        tables.Open();
    if (tables.FindKey({engine::Value(Ric_Gen->SearchCode)}))
        Base.GotoCurrent(tables);
}

void TMan_Archivi::BtnIndiciClick() {
    if (pending(Field)) {
        ui::updateRecord(Src_Field);
        Field.Post();
    }
    Man_Indici->TableName = EditTBNPFM->text().toStdString();
    Man_Indici->TableDescription = EditTBDESC->text().toStdString();
    showChild(*Man_Indici);
}

void TMan_Archivi::BtnCreaClick() {
    Crt_Archivi->TableNames = {qs(BaseTMNPFM->AsString())};
    Crt_Archivi->TableTypes = {qs(Base.FieldByName("TMTBAS").AsString())};
    showChild(*Crt_Archivi);
}
