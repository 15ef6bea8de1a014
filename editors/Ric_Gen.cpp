#include "editors/Ric_Gen.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/RecordEditor.h"
#include "ui/Colors.h"
#include "ui/ModalWindows.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>

TRic_Gen* Ric_Gen = nullptr;

namespace {

bool isAsciiLetterOrDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Every digit and ASCII letter of the text, each followed by "%".
std::string loosePattern(const QString& text) {
    std::string pattern;
    for (QChar c : text)
        if (isAsciiLetterOrDigit(c)) {
            pattern += static_cast<char>(c.unicode());
            pattern += '%';
        }
    return pattern;
}

} // namespace

TRic_Gen::TRic_Gen(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Ric_Gen"));
    setWindowTitle(QStringLiteral("Searching base-tables"));
    setFixedSize(400, 350);
    setModal(true);

    QryGen.Name = "QryGen";
    QryGen.DatabaseName = Dm_Vadem->DictPath;
    QryGenxCodice = &QryGen.AddField("xCodice", engine::ftString, 15);
    QryGenxCodice->DisplayLabel = "Codice";
    QryGenxCodice->DisplayWidth = 15;
    QryGenxCodNum = &QryGen.AddField("xCodNum", engine::ftFloat, 0);
    QryGenxCodNum->DisplayLabel = "Codice";
    QryGenxCodNum->DisplayWidth = 15;
    QryGenxDescrizione = &QryGen.AddField("xDescrizione", engine::ftString, 35);
    QryGenxDescrizione->DisplayLabel = "Descrizione";
    QryGenxDescrizione->DisplayWidth = 42;
    Src_QryGen.SetDataSet(&QryGen);
    Src_QryGen.AutoEdit = false;
    Dm_Vadem->DictionaryDataSets.push_back(&QryGen);

    buildControls();
    FormCreate();
    ui::centreOnScreen(*this);
}

void TRic_Gen::buildControls() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setGeometry(0, 0, 400, 112);

    Label1 = new QLabel(QStringLiteral("Find for"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 6, 120, 16);
    SetParziale = new QCheckBox(QStringLiteral("Partial"), Panel1);
    SetParziale->setObjectName(QStringLiteral("SetParziale"));
    SetParziale->setLayoutDirection(Qt::RightToLeft); // the text on the left
    SetParziale->setToolTip(QStringLiteral("Se attivo, effettua la ricerca nell'intero campo."));
    SetParziale->setGeometry(160, 4, 70, 20);
    SetRicerca = new QLineEdit(Panel1);
    SetRicerca->setObjectName(QStringLiteral("SetRicerca"));
    SetRicerca->setGeometry(8, 26, 222, 22);

    buildOrdering();
    buildButtons();

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 112, 400, 238);
    QryGrid = new ui::DbGrid(Panel2);
    QryGrid->setObjectName(QStringLiteral("QryGrid"));
    QryGrid->setGeometry(4, 4, 392, 230);
    QryGrid->setDataSource(&Src_QryGen);

    connectHandlers();
}

// The radio group " Ordering  ": "by code " and "by desc" side by side.
void TRic_Gen::buildOrdering() {
    SceltaOrdine = new QGroupBox(QStringLiteral(" Ordering  "), Panel1);
    SceltaOrdine->setObjectName(QStringLiteral("SceltaOrdine"));
    SceltaOrdine->setGeometry(240, 2, 152, 48);
    QFont bold = SceltaOrdine->font();
    bold.setBold(true);
    SceltaOrdine->setFont(bold);
    QPalette blue = SceltaOrdine->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    blue.setColor(QPalette::ButtonText, Qt::blue);
    SceltaOrdine->setPalette(blue);
    orderItems_ = new QButtonGroup(this);
    auto* columns = new QHBoxLayout(SceltaOrdine);
    // Two columns of equal width, as far apart as the two bold captions leave room.
    columns->setContentsMargins(4, 0, 2, 0);
    columns->setSpacing(4);
    int item = 0;
    int column = 0;
    for (const char* text : {"by code ", "by desc"}) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), SceltaOrdine);
        radio->setObjectName(QStringLiteral("SceltaOrdine%1").arg(item));
        orderItems_->addButton(radio, item++);
        columns->addWidget(radio, 1);
        column = std::max(column, radio->sizeHint().width());
    }
    // Wide enough for both captions whole; the search box gives way on its left.
    int width =
        std::max(152, 2 * column + 4 + 4 + 2 +
                          2 * SceltaOrdine->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    SceltaOrdine->setGeometry(392 - width, 2, width, 48);
    int box = std::min(222, 392 - width - 18);
    SetRicerca->setGeometry(8, 26, box, 22);
    SetParziale->setGeometry(8 + box - 70, 4, 70, 20);
}

// The navigator over the hits and the buttons beside it.
void TRic_Gen::buildButtons() {
    DBRead = new ui::DbNavigator(Panel1);
    DBRead->setObjectName(QStringLiteral("DBRead"));
    DBRead->setGeometry(8, 60, 120, 25);
    DBRead->setDataSource(&Src_QryGen);
    DBRead->button(ui::DbNavigator::First)->setToolTip(QStringLiteral("First"));
    DBRead->button(ui::DbNavigator::Prior)->setToolTip(QStringLiteral("Prior"));
    DBRead->button(ui::DbNavigator::Next)->setToolTip(QStringLiteral("Next"));
    DBRead->button(ui::DbNavigator::Last)->setToolTip(QStringLiteral("Last"));
    BtnRicerca = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                 QStringLiteral("&Find"), Panel1);
    BtnRicerca->setObjectName(QStringLiteral("BtnRicerca"));
    BtnRicerca->setFlat(true);
    BtnRicerca->setAutoDefault(false);
    BtnRicerca->setGeometry(136, 60, 80, 25);
    BottoneOK = new QPushButton(QStringLiteral("OK"), Panel1);
    BottoneOK->setObjectName(QStringLiteral("BottoneOK"));
    BottoneOK->setDefault(true);
    BottoneOK->setGeometry(228, 60, 78, 25);
    BottoneUscita = new QPushButton(QStringLiteral("Cl&ose"), Panel1);
    BottoneUscita->setObjectName(QStringLiteral("BottoneUscita"));
    BottoneUscita->setAutoDefault(false);
    BottoneUscita->setGeometry(314, 60, 78, 25);
}

void TRic_Gen::connectHandlers() {
    auto handled = [this](void (TRic_Gen::*handler)()) {
        return [this, handler] { ui::showingErrors([&] { (this->*handler)(); }); };
    };
    connect(orderItems_, &QButtonGroup::idClicked, this, handled(&TRic_Gen::SceltaOrdineClick));
    connect(BtnRicerca, &QPushButton::clicked, this, handled(&TRic_Gen::BtnRicercaClick));
    connect(BottoneOK, &QPushButton::clicked, this, [this] {
        ui::showingErrors([this] { BottoneOKClick(); });
        accept();
    });
    connect(BottoneUscita, &QPushButton::clicked, this, &QDialog::reject);
    connect(QryGrid, &QAbstractItemView::doubleClicked, this,
            [this] { ui::showingErrors([this] { QryGridDblClick(); }); });
    connect(SetRicerca, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!capitals_)
            return;
        QString upper = text;
        for (QChar& c : upper)
            c = c.toUpper(); // one letter for one: ß stays ß
        if (upper == text)
            return;
        int cursor = SetRicerca->cursorPosition();
        SetRicerca->setText(upper);
        SetRicerca->setCursorPosition(cursor);
    });
}

void TRic_Gen::FormCreate() {
    SearchFilter.clear();
    LastSearchTable.clear();
    LastSearchFilter.clear();
}

void TRic_Gen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::showingErrors([this] { FormActivate(); });
}

void TRic_Gen::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TRic_Gen::FormActivate() {
    SearchFound = false;
    SearchCode.clear();
    setWindowTitle(QString::fromStdString(SearchCaption));
    if (SearchTable == LastSearchTable && SearchFilter == LastSearchFilter)
        return;
    setOrdering(-1);
    setOrdering(1);
    SceltaOrdineClick();
    SetParziale->setChecked(false);
    SetRicerca->clear();
    SetRicerca->setFocus();
}

void TRic_Gen::FormClose() {
    ForgetSearch();
}

int TRic_Gen::ordering() const {
    return orderItems_->checkedId();
}

void TRic_Gen::setOrdering(int item) {
    if (item < 0) {
        orderItems_->setExclusive(false);
        for (QAbstractButton* radio : orderItems_->buttons())
            radio->setChecked(false);
        orderItems_->setExclusive(true);
    } else {
        orderItems_->button(item)->setChecked(true);
    }
}

void TRic_Gen::SceltaOrdineClick() {
    SetRicerca->clear();
    if (ordering() == 0) {
        capitals_ = true;
        bool numeric = SearchCodeKind == "S";
        SetRicerca->setEnabled(!numeric);
        ui::setBoxColor(*SetRicerca,
                        numeric ? ui::BoxColor::InactiveCaption : ui::BoxColor::Window);
    } else {
        capitals_ = false;
        SetRicerca->setEnabled(true);
        ui::setBoxColor(*SetRicerca, ui::BoxColor::Window);
    }
    if (SetRicerca->isEnabled())
        SetRicerca->setFocus();
    RunSearch();
}

void TRic_Gen::BtnRicercaClick() {
    RunSearch();
}

void TRic_Gen::RunSearch() {
    std::string text = SetRicerca->text().toStdString();
    std::string pattern = loosePattern(SetRicerca->text());
    Src_QryGen.SetEnabled(false);
    QryGen.Close();
    BindColumns();
    QryGen.SQL.clear();

    bool byCode = ordering() == 0;
    const std::string& column = byCode ? SearchCodeField : SearchDescField;
    bool loose = SetParziale->isChecked();
    QryGen.SQL.push_back("SELECT * FROM " + SearchTable);
    if (!text.empty()) {
        QryGen.SQL.push_back("WHERE " + column);
        if (loose)
            QryGen.SQL.push_back(" LIKE \"%" + pattern + "\" ");
        else
            QryGen.SQL.push_back(" BETWEEN :qSetInf AND :qSetSup ");
        if (!SearchFilter.empty())
            QryGen.SQL.push_back(" AND " + SearchFilter);
    } else if (!SearchFilter.empty()) {
        QryGen.SQL.push_back("WHERE " + SearchFilter);
    }
    QryGen.SQL.push_back("ORDER BY " + column);
    if (!text.empty() && !loose) {
        QryGen.ParamByName("qSetInf").SetAsString(text);
        QryGen.ParamByName("qSetSup").SetAsString(text + "zzz");
    }
    // An error leaves the grid detached, empty, until the next search.
    QryGen.Open();
    Src_QryGen.SetEnabled(true);
    showColumns();
}

void TRic_Gen::BindColumns() {
    bool numeric = SearchCodeKind == "S";
    engine::TField* code = numeric ? QryGenxCodNum : QryGenxCodice;
    engine::TField* other = numeric ? QryGenxCodice : QryGenxCodNum;
    other->Visible = false;
    other->SetFieldKind(engine::fkCalculated);
    other->SetFieldName(numeric ? "xCodice" : "xCodNum");
    code->SetFieldKind(engine::fkData);
    code->Visible = true;
    if (code->FieldName() != SearchCodeField)
        code->SetFieldName(SearchCodeField);
    if (!numeric)
        code->SetSize(SearchCodeSize);
    code->DisplayWidth = std::max(SearchCodeSize + 2, 6);
    QryGenxDescrizione->SetFieldName(SearchDescField);
    QryGenxDescrizione->SetSize(SearchDescSize);
    QryGenxDescrizione->DisplayWidth = 57 - code->DisplayWidth;
}

// The grid shows the visible fields, as wide as their display widths; the
// code column at least as wide as the widest code of SearchCodeSize
// characters, and the description takes the rest of the grid.
void TRic_Gen::showColumns() {
    int charWidth = QryGrid->fontMetrics().averageCharWidth();
    std::vector<ui::DbColumn> columns;
    for (const auto& field : QryGen.Fields()) {
        if (!field->Visible || field->FieldKind() != engine::fkData)
            continue;
        int width = field->DisplayWidth * charWidth;
        if (field.get() != QryGenxDescrizione)
            width = std::max(width, widestCode());
        else if (!columns.empty())
            width = std::min(width, roomBeside(columns.front().width));
        columns.push_back(editors::gridColumn(field->FieldName().c_str(),
                                              QString::fromStdString(field->DisplayLabel), width));
    }
    QryGrid->setColumns(std::move(columns));
}

// The grid's width left beside a column, a vertical scroll bar allowed for.
int TRic_Gen::roomBeside(int width) const {
    int inside = QryGrid->width() - 2 * QryGrid->frameWidth() - QryGrid->verticalHeader()->width() -
                 QryGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, QryGrid);
    return std::max(inside - width, 0);
}

// Codes are typed in capitals: SearchCodeSize of the widest capital or
// digit, with the margins the grid's cells keep around their text.
int TRic_Gen::widestCode() const {
    QFontMetrics metrics = QryGrid->fontMetrics();
    const QString glyphs = SearchCodeKind == "S"
                               ? QStringLiteral("0123456789-.")
                               : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_$");
    int widest = 0;
    for (QChar glyph : glyphs)
        widest = std::max(widest, metrics.horizontalAdvance(glyph));
    int margin = QryGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, QryGrid) + 1;
    return widest * SearchCodeSize + 2 * margin +
           QryGrid->style()->pixelMetric(QStyle::PM_HeaderMargin);
}

void TRic_Gen::TakeRow() {
    SearchFound = true;
    engine::TField* code = QryGen.Active() ? QryGen.FindField(SearchCodeField) : nullptr;
    SearchCode = code && !QryGen.IsEmpty() ? code->AsString() : std::string();
}

void TRic_Gen::BottoneOKClick() {
    TakeRow();
}

void TRic_Gen::QryGridDblClick() {
    TakeRow();
    close();
}

void TRic_Gen::ForgetSearch() {
    SearchFilter.clear();
    LastSearchTable = SearchTable;
    LastSearchFilter = SearchFilter;
    SearchCodeKind.clear();
}
