#include "editors/Man_Indici.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/Man_Archivi.h"
#include "editors/RecordEditor.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

#include <QGroupBox>
#include <QShowEvent>
#include <QVBoxLayout>

TMan_Indici* Man_Indici = nullptr;

using engine::dsEdit;
using engine::dsInsert;

namespace {

QFont timesBold() {
    QFont font(QStringLiteral("Times New Roman"), 12);
    font.setBold(true);
    return font;
}

// A frame with a blue heading holding one red label.
QLabel* headedLabel(QWidget* parent, const char* heading, const char* name, QRect place) {
    auto* frame = new QGroupBox(QString::fromLatin1(heading), parent);
    frame->setGeometry(place);
    frame->setFont(timesBold());
    frame->setStyleSheet(QStringLiteral("QGroupBox { color: blue; }"));
    auto* label = new QLabel(frame);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(timesBold());
    label->setStyleSheet(QStringLiteral("color: red;"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(label);
    return label;
}

ui::DbEdit* labelledEdit(QWidget* parent, const char* name, const char* caption, QRect place) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->move(place.left(), place.top() - 16);
    auto* edit = new ui::DbEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(place);
    return edit;
}

} // namespace

TMan_Indici::TMan_Indici(QWidget* parent) : editors::EditorDialog(parent) {
    setObjectName(QStringLiteral("Man_Indici"));
    setWindowTitle(QStringLiteral("Index"));
    setFixedSize(590, 376);
    setModal(true);
    setFont(QFont(QStringLiteral("Arial"), 8));

    Index.Name = "Index";
    Index.SetTableName("T_BASE");
    Index.SetTableType(engine::ttDBase);
    Index.SetFilter("[TMTIPO]='C'");
    Index.SetFiltered(true);
    Index.SetIndexName("BASE01");
    declareFields();
    Src_Index.SetDataSet(&Index);
    Src_Index.AutoEdit = false;
    Dm_Vadem->DictionaryDataSets.push_back(&Index);

    buildControls();
    FormCreate();
    ui::centreOnScreen(*this);
}

void TMan_Indici::declareFields() {
    using namespace engine;
    struct Hidden {
        const char* name;
        TFieldType type;
        int size;
    };
    for (const Hidden& field : {Hidden{"TMTIPO", ftString, 1}, Hidden{"TMSUFF", ftString, 2},
                                Hidden{"TMNRIG", ftSmallint, 0}, Hidden{"TMNPFM", ftString, 10},
                                Hidden{"TMTFLD", ftString, 1}, Hidden{"TMDECS", ftSmallint, 0},
                                Hidden{"TMBCAR", ftBoolean, 0}})
        Index.AddField(field.name, field.type, field.size).Visible = false;
    auto shown = [&](const char* name, TFieldType type, int size, const char* label, int width) {
        TField& field = Index.AddField(name, type, size);
        field.DisplayLabel = label;
        field.DisplayWidth = width;
        return &field;
    };
    shown("TMNFLD", ftString, 10, "Indice", 0);
    shown("TMDESC", ftString, 75, "Espressione", 35);
    shown("TMDATA", ftDate, 0, "Aggiornato", 0)->DisplayFormat = "dd/mm/yyyy";
    shown("TMSIZE", ftSmallint, 0, "Chiavi", 6);
    shown("TMDCND", ftString, 75, "Condizione", 35);
    Index.BeforePost = [this](TDataSet&) { IndexBeforePost(); };
}

void TMan_Indici::buildControls() {
    LabCodi = headedLabel(this, "Table name", "LabCodi", {12, 4, 150, 62});
    LabDesc = headedLabel(this, "Table description", "LabDesc", {170, 4, 408, 62});

    DbRead = new ui::DbNavigator(this);
    DbRead->setObjectName(QStringLiteral("DbRead"));
    DbRead->setGeometry(12, 74, 100, 25);
    StateRecord = editors::makeStateLabel(this, QStringLiteral("StateRecord"));
    StateRecord->setGeometry(124, 78, 200, 16);

    EditTMNFLD = labelledEdit(this, "EditTMNFLD", "Index name", {12, 122, 90, 21});
    EditTMNFLD->setUpperCase(true);
    EditTMDESC = labelledEdit(this, "EditTMDESC", "Expression index", {110, 122, 410, 21});
    EditTMSIZE = labelledEdit(this, "EditTMSIZE", "Keys", {528, 122, 50, 21});
    EditTMDCND = labelledEdit(this, "EditTMDCND", "Subset condition (filter) expression",
                              {12, 164, 508, 21});

    auto buttons = editors::makeRecordButtons(this);
    BtnInsert = buttons.Insert;
    BtnEdit = buttons.Edit;
    BtnPost = buttons.Post;
    BtnCancel = buttons.Cancel;
    BtnDelete = buttons.Delete;
    int left = 12;
    for (QPushButton* button : {BtnInsert, BtnEdit, BtnPost, BtnCancel, BtnDelete}) {
        button->setGeometry(left, 194, 85, 24);
        left += 90;
    }
    BtnUscita = new QPushButton(QStringLiteral("Cl&ose"), this);
    BtnUscita->setObjectName(QStringLiteral("BtnUscita"));
    BtnUscita->setGeometry(493, 194, 85, 24);

    TabGrid = new ui::DbGrid(this);
    TabGrid->setObjectName(QStringLiteral("TabGrid"));
    TabGrid->setGeometry(12, 226, 566, 142);

    DbRead->setDataSource(&Src_Index);
    EditTMNFLD->bind(&Src_Index, "TMNFLD");
    EditTMDESC->bind(&Src_Index, "TMDESC");
    EditTMSIZE->bind(&Src_Index, "TMSIZE");
    EditTMDCND->bind(&Src_Index, "TMDCND");
    QFont bold = TabGrid->font();
    bold.setBold(true);
    QFont italic = TabGrid->font();
    italic.setItalic(true);
    auto title = [this](const char* field) {
        return QString::fromStdString(Index.FieldByName(field).DisplayLabel);
    };
    TabGrid->setDataSource(&Src_Index);
    TabGrid->setColumns({editors::gridColumn("TMNFLD", title("TMNFLD"), 80, bold),
                         editors::gridColumn("TMDESC", title("TMDESC"), 200),
                         editors::gridColumn("TMDATA", title("TMDATA"), 70),
                         editors::gridColumn("TMSIZE", title("TMSIZE"), 44),
                         editors::gridColumn("TMDCND", title("TMDCND"), 200, italic)});

    int code = 1;
    for (QPushButton* button : {BtnInsert, BtnEdit, BtnPost, BtnCancel, BtnDelete}) {
        connect(button, &QPushButton::clicked, this,
                [this, code] { ui::showingErrors([&] { IndexAction(code); }); });
        ++code;
    }
    connect(BtnUscita, &QPushButton::clicked, this, &QWidget::close);
    ui::onStateChange(Src_Index, [this](engine::TDataSource&) { Src_IndexStateChange(); });
}

void TMan_Indici::FormCreate() {
    Index.SetDatabaseName(Dm_Vadem->DictPath);
}

void TMan_Indici::FormActivate() {
    LabCodi->setText(QString::fromStdString(TableName));
    LabDesc->setText(QString::fromStdString(TableDescription));
    editors::Unfollowed quiet(Src_Index);
    editors::openOrRefresh(Index);
    Index.CancelRange();
    Index.SetRangeStart();
    Index.FieldByName("TMNPFM").SetAsString(TableName);
    Index.FieldByName("TMNFLD").SetAsString("");
    Index.SetRangeEnd();
    Index.FieldByName("TMNPFM").SetAsString(TableName);
    Index.FieldByName("TMNFLD").SetAsString("zzz");
    Index.ApplyRange();
}

void TMan_Indici::FormClose() {
    if (Index.Active())
        Index.Cancel();
}

void TMan_Indici::IndexAction(int code) {
    // What the boxes show belongs to the row (the delete question names it
    // as typed); Cancel drops it unstored.
    if (code != 4)
        ui::updateRecord(Src_Index);
    switch (code) {
    case 1:
        Index.Insert();
        break;
    case 2:
        Index.Edit();
        break;
    case 3:
        Index.Post();
        break;
    case 4:
        Index.Cancel();
        break;
    case 5:
        if (ui::dialogs().confirm("Delete index : [" +
                                  QString::fromStdString(Index.FieldByName("TMNFLD").AsString()) +
                                  "] ") == ui::Answer::Yes)
            Index.Delete();
        break;
    default:
        break;
    }
}

void TMan_Indici::Src_IndexStateChange() {
    auto state = Src_Index.State();
    editors::applyStateTable(*StateRecord, state,
                             {{DbRead, false, false, true},
                              {TabGrid, false, true, true},
                              {BtnInsert, true, false, true},
                              {BtnEdit, false, false, true},
                              {BtnPost, false, true, false},
                              {BtnCancel, true, true, false},
                              {BtnDelete, false, true, false}});
    if (state == dsInsert)
        Index.FieldByName("TMBCAR").SetAsBoolean(false);
    if (state == dsInsert || state == dsEdit)
        EditTMNFLD->setFocus();
}

void TMan_Indici::ValidateIndex() {
    if (Index.FieldByName("TMNFLD").AsString().empty())
        editors::refuse(EditTMNFLD, "Error. Index name, is missing");
    if (Index.FieldByName("TMDESC").AsString().empty())
        editors::refuse(EditTMDESC, "Error. Espression index, is missing");
    if (Index.FieldByName("TMSIZE").AsInteger() == 0)
        editors::refuse(EditTMSIZE, "Error. Key number, is missing");
}

void TMan_Indici::IndexBeforePost() {
    ValidateIndex();
    Man_Archivi->StampBaseDate();
    Index.FieldByName("TMNPFM").SetAsString(TableName);
    Index.FieldByName("TMDATA").SetAsDateTime(engine::Date::today());
    Index.FieldByName("TMTIPO").SetAsString("C");
}
