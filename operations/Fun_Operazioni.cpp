#include "operations/Fun_Operazioni.h"

#include "dictionary/Dm_Vadem.h"
#include "operations/Cpy_Archivi.h"
#include "operations/Crt_Archivi.h"
#include "reports/QRP_PrtArchivi.h"
#include "tableops/RunChoice.h"
#include "ui/ModalWindows.h"

#include <QShowEvent>
#include <QStyle>

#include <algorithm>

TFun_Operazioni* Fun_Operazioni = nullptr;

namespace {

void openOrRefresh(engine::TTable& table) {
    if (table.Active())
        table.Refresh();
    else
        table.Open();
}

} // namespace

TFun_Operazioni::TFun_Operazioni(QWidget* parent) : ui::ToolWindow(parent) {
    setObjectName(QStringLiteral("Fun_Operazioni"));
    setWindowTitle(QStringLiteral("Function"));
    setFixedSize(392, 177);
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(4, 4, 384, 169);

    Label1 = new QLabel(QStringLiteral("Application"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 16, 100, 16);
    SetPrd = new QComboBox(this);
    SetPrd->setObjectName(QStringLiteral("SetPrd"));
    SetPrd->setEditable(true);
    SetPrd->setInsertPolicy(QComboBox::NoInsert);
    SetPrd->setGeometry(16, 34, 220, 22);

    BitUscita = new QPushButton(QStringLiteral("Cl&ose"), this);
    BitUscita->setObjectName(QStringLiteral("BitUscita"));
    BitUscita->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BitUscita->setGeometry(292, 32, 85, 25);
    connect(BitUscita, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QFrame(this);
    buttons->setObjectName(QStringLiteral("BevelButtons"));
    buttons->setFrameStyle(QFrame::Panel | QFrame::Raised);
    buttons->setGeometry(16, 80, 360, 80);
    BtnPrt = speedButton(buttons, "BtnPrt", QStringLiteral("Print table-field roster"), 12, 10,
                         QStyle::SP_FileDialogDetailedView);
    BtnUpd = speedButton(buttons, "BtnUpd", QStringLiteral("Update tables"), 188, 10,
                         QStyle::SP_BrowserReload);
    BtnCrt = speedButton(buttons, "BtnCrt", QStringLiteral("Create tables"), 12, 45,
                         QStyle::SP_FileDialogNewFolder);
    BtnCpy = speedButton(buttons, "BtnCpy", QStringLiteral("Copy data in base-tables"), 188, 45,
                         QStyle::SP_DriveFDIcon);
    connect(BtnPrt, &QToolButton::clicked, this, [this] { BtnPrtClick(); });
    connect(BtnUpd, &QToolButton::clicked, this, [this] { BtnUpdClick(); });
    connect(BtnCrt, &QToolButton::clicked, this, [this] { BtnCrtClick(); });
    connect(BtnCpy, &QToolButton::clicked, this, [this] { BtnCpyClick(); });

    FormCreate();
    ui::centreOnScreen(*this);
}

QToolButton* TFun_Operazioni::speedButton(QWidget* bevel, const char* name, const QString& caption,
                                          int left, int top, int picture) {
    auto* button = new QToolButton(bevel);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(picture)));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setGeometry(left, top, 160, 25);
    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(11);
    bold.setBold(true);
    button->setFont(bold);
    return button;
}

void TFun_Operazioni::FormCreate() {
    ui::showingErrors([this] { LoadApplications(); });
}

void TFun_Operazioni::showEvent(QShowEvent* event) {
    ui::ToolWindow::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TFun_Operazioni::FormActivate() {
    if (!Printing)
        SetPrd->setFocus();
}

void TFun_Operazioni::LoadApplications() {
    SetPrd->clear();
    AppSuffixes.clear();
    InstalledApps.clear();
    InstalledDates.clear();
    if (!operations::hasApplicationTable(Dm_Vadem->DictPath))
        return;
    engine::TTable& prod = Dm_Vadem->Prod;
    Dm_Vadem->Src_Prod.SetEnabled(true);
    openOrRefresh(prod);
    SetPrd->addItem(QStringLiteral("[all installed]"));
    AppSuffixes.emplace_back();
    for (prod.First(); !prod.Eof(); prod.Next()) {
        std::string suffix = prod.FieldByName("TMSUFF").AsString();
        SetPrd->addItem(QString::fromStdString(prod.FieldByName("TMDESC").AsString()));
        AppSuffixes.push_back(suffix);
        if (prod.FieldByName("TMBIST").AsBoolean()) {
            InstalledApps.push_back(suffix);
            InstalledDates.emplace_back();
        }
    }
    Dm_Vadem->Src_Prod.SetEnabled(false);
    prod.Close();
    SetPrd->setCurrentIndex(0);
}

int TFun_Operazioni::choice() const {
    // A typed text chooses the entry it names (the completer fills in the
    // rest of a name begun); a text that names no entry chooses none.
    int index = SetPrd->currentIndex();
    if (index >= 0 && SetPrd->itemText(index) == SetPrd->currentText())
        return index;
    return SetPrd->findText(SetPrd->currentText(), Qt::MatchExactly);
}

bool TFun_Operazioni::belongsToChoice(const std::string& suffix) const {
    int chosen = choice();
    if (chosen == 0)
        return std::find(InstalledApps.begin(), InstalledApps.end(), suffix) != InstalledApps.end();
    return chosen > 0 && suffix == AppSuffixes[chosen];
}

bool TFun_Operazioni::NeedsUpdate(const std::string& suffix, engine::Date tableDate) {
    if (!BtnCrt->isEnabled())
        return true;
    engine::TTable& prod = Dm_Vadem->Prod;
    openOrRefresh(prod);
    if (!prod.FindKey({engine::Value(suffix)}))
        return false;
    return operations::dateOrZero(prod.FieldByName("TMDIST")) < tableDate;
}

void TFun_Operazioni::NoteTableDate(const std::string& suffix, engine::Date tableDate) {
    auto found = std::find(InstalledApps.begin(), InstalledApps.end(), suffix);
    if (found == InstalledApps.end())
        return;
    engine::Date& latest = InstalledDates[found - InstalledApps.begin()];
    if (tableDate > latest)
        latest = tableDate;
}

void TFun_Operazioni::StampApplication(const std::string& suffix) {
    engine::Date stamp;
    auto found = std::find(InstalledApps.begin(), InstalledApps.end(), suffix);
    if (found != InstalledApps.end())
        stamp = InstalledDates[found - InstalledApps.begin()];
    engine::TTable& prod = Dm_Vadem->Prod;
    openOrRefresh(prod);
    if (!prod.FindKey({engine::Value(suffix)}))
        return;
    prod.Edit();
    if (stamp == engine::Date())
        prod.FieldByName("TMDIST").Clear();
    else
        prod.FieldByName("TMDIST").SetAsDateTime(stamp);
    prod.FieldByName("TMBIST").SetAsBoolean(true);
    prod.Post();
}

void TFun_Operazioni::BtnCrtClick() {
    BtnCrt->setEnabled(false);
    ui::showingErrors([this] { runBuild(true); });
}

void TFun_Operazioni::BtnUpdClick() {
    BtnUpd->setEnabled(false);
    ui::showingErrors([this] { runBuild(false); });
}

void TFun_Operazioni::BtnCpyClick() {
    BtnCpy->setEnabled(false);
    ui::showingErrors([this] { runCopy(); });
}

void TFun_Operazioni::runBuild(bool create) {
    engine::TTable& base = Dm_Vadem->Base;
    openOrRefresh(base);
    Crt_Archivi->setWindowTitle(create ? QStringLiteral("Create tables")
                                       : QStringLiteral("Update tables"));
    Crt_Archivi->TableNames.clear();
    Crt_Archivi->TableTypes.clear();
    for (base.First(); !base.Eof(); base.Next()) {
        std::string suffix = base.FieldByName("TMSUFF").AsString();
        engine::Date date = operations::dateOrZero(base.FieldByName("TMDATA"));
        NoteTableDate(suffix, date);
        if (NeedsUpdate(suffix, date) && belongsToChoice(suffix)) {
            Crt_Archivi->TableNames
                << QString::fromStdString(base.FieldByName("TMNPFM").AsString());
            Crt_Archivi->TableTypes
                << QString::fromStdString(base.FieldByName("TMTBAS").AsString());
        }
    }
    ui::showModal(*Crt_Archivi);
    // Only a run that ended without an error makes its applications up to date.
    if (!Crt_Archivi->Succeeded)
        return;
    int chosen = choice();
    if (chosen == 0) {
        for (const std::string& suffix : std::vector<std::string>(InstalledApps))
            StampApplication(suffix);
    } else if (chosen > 0) {
        StampApplication(AppSuffixes[chosen]);
    }
}

void TFun_Operazioni::runCopy() {
    engine::TTable& base = Dm_Vadem->Base;
    openOrRefresh(base);
    Cpy_Archivi->TableNames.clear();
    Cpy_Archivi->TableTypes.clear();
    for (base.First(); !base.Eof(); base.Next()) {
        if (!base.FieldByName("TMBCAR").AsBoolean() ||
            !belongsToChoice(base.FieldByName("TMSUFF").AsString()))
            continue;
        Cpy_Archivi->TableNames << QString::fromStdString(base.FieldByName("TMNPFM").AsString());
        Cpy_Archivi->TableTypes << QString::fromStdString(base.FieldByName("TMTBAS").AsString());
    }
    ui::showModal(*Cpy_Archivi);
}

void TFun_Operazioni::BtnPrtClick() {
    Printing = true;
    int chosen = choice();
    QRP_PrtArchivi->AppFilter = chosen > 0 ? AppSuffixes[chosen] : std::string();
    // The listing reads the choice itself while it prints.
    QRP_PrtArchivi->AppChoice = [this] { return choice(); };
    // The preview hands the activation back while printing is still on.
    ui::showingErrors([this] { QRP_PrtArchivi->Rep_PrtArchivi.Preview(this); });
    Printing = false;
}
