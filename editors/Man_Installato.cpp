#include "editors/Man_Installato.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/RecordEditor.h"
#include "operations/Fun_Operazioni.h"
#include "ui/ModalWindows.h"

#include <QHeaderView>
#include <QStyle>

TMan_Installato* Man_Installato = nullptr;

TMan_Installato::TMan_Installato(QWidget* parent) : editors::EditorDialog(parent) {
    setObjectName(QStringLiteral("Man_Installato"));
    setWindowTitle(QStringLiteral("Installed application"));
    // The design's 429 by 338 is the outer size of a sizeable window of its
    // time, a frame of 4 pixels on every side and a caption of 19 included;
    // Qt sizes what lies inside them.
    constexpr int frame = 4;
    constexpr int caption = 19;
    resize(429 - 2 * frame, 338 - 2 * frame - caption);
    setModal(true);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    setFont(arial);

    using namespace engine;
    Prod.Name = "Prod";
    Prod.SetTableName("T_PROD");
    Prod.SetTableType(ttDBase);
    Prod.AddField("TMDESC", ftString, 35);
    Prod.AddField("TMNLIB", ftString, 10).Visible = false;
    Prod.AddField("TMNPGM", ftString, 10).Visible = false;
    Prod.AddField("TMSUFF", ftString, 2).Visible = false;
    Prod.AddField("TMDIST", ftDate, 0).DisplayFormat = "dd/mm/yyyy";
    Prod.AddField("TMBIST", ftBoolean, 0).DisplayFormat = "Installed;not installed";
    Prod.BeforePost = [this](TDataSet&) { ProdBeforePost(); };
    Src_Prod.SetDataSet(&Prod);
    Src_Prod.AutoEdit = false;
    Dm_Vadem->DictionaryDataSets.push_back(&Prod);

    GrdProd = new ui::DbGrid(this);
    GrdProd->setObjectName(QStringLiteral("GrdProd"));
    GrdProd->setGeometry(0, 0, 419, 276);
    GrdProd->setStyleSheet(QStringLiteral("QTableView { color: black; }"));
    QFont bold = arial;
    bold.setBold(true);
    GrdProd->horizontalHeader()->setFont(bold);
    GrdProd->setDataSource(&Src_Prod);
    GrdProd->setColumns(
        {editors::gridColumn("TMDESC", QStringLiteral("Application"), 220, bold, QColor(Qt::blue)),
         editors::gridColumn("TMDIST", QStringLiteral("Update"), 80, bold, QColor(Qt::black)),
         editors::gridColumn("TMBIST", QStringLiteral("Installed"), 90, bold, QColor(Qt::red))});
    connect(GrdProd, &QAbstractItemView::doubleClicked, this,
            [this] { ui::showingErrors([this] { GrdProdDblClick(); }); });
    connect(GrdProd->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this] { ui::showingErrors([this] { GrdProdDblClick(); }); });

    BitUscita = new QPushButton(QStringLiteral("Cl&ose"), this);
    BitUscita->setObjectName(QStringLiteral("BitUscita"));
    BitUscita->setGeometry(332, 280, 85, 25);
    BitUscita->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(BitUscita, &QPushButton::clicked, this, &QWidget::close);

    FormCreate();
    ui::centreOnScreen(*this);
}

void TMan_Installato::FormCreate() {
    Src_Prod.SetEnabled(false);
    Prod.Close();
    Prod.SetDatabaseName(Dm_Vadem->DictPath);
}

void TMan_Installato::FormActivate() {
    Src_Prod.SetEnabled(true);
    editors::openOrRefresh(Prod);
}

void TMan_Installato::FormClose() {
    // A switch whose post failed is dropped with the window.
    if (Prod.Active())
        Prod.Cancel();
    Prod.Close();
    Fun_Operazioni->LoadApplications();
}

void TMan_Installato::GrdProdDblClick() {
    // With no row there is nothing to switch (an edit would insert one).
    if (!Prod.Active() || (Prod.IsEmpty() && Prod.State() == engine::dsBrowse))
        return;
    if (Prod.State() == engine::dsBrowse)
        Prod.Edit();
    engine::TField& installed = Prod.FieldByName("TMBIST");
    installed.SetAsBoolean(!installed.AsBoolean());
    Prod.Post();
}

void TMan_Installato::ProdBeforePost() {
    if (Prod.State() == engine::dsEdit && !Prod.FieldByName("TMBIST").AsBoolean())
        Prod.FieldByName("TMDIST").Clear();
}
