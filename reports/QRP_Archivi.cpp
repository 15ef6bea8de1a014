#include "reports/QRP_Archivi.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/TypeWords.h"
#include "reports/ReportParts.h"
#include "ui/ModalWindows.h"

TQRP_Archivi* QRP_Archivi = nullptr;

using reportengine::Band;
using reportengine::BandKind;
using reportengine::Report;
using namespace reports;

namespace {

QString fieldText(const char* name) {
    return QString::fromStdString(Dm_Vadem->QryGen.FieldByName(name).AsString());
}

QString dateText(const char* name) {
    // An empty date prints as the date of the value zero, 30/12/1899.
    return QString::fromStdString(Dm_Vadem->QryGen.FieldByName(name).AsDateTime().toDmy());
}

} // namespace

TQRP_Archivi::TQRP_Archivi(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("QRP_Archivi"));
    buildBands();
    Rep_Archivi.DataSource = &Dm_Vadem->Src_QryGen;
    Rep_Archivi.BeforePrint = [this](reportengine::Report&) { Rep_ArchiviBeforePrint(); };
}

void TQRP_Archivi::buildBands() {
    Report& r = Rep_Archivi;
    Testata = &r.addBand(QStringLiteral("Testata"), BandKind::PageHeader, 64);
    addBrandRow(*Testata, 2);
    LabTitolo = &Testata->addLabel(QStringLiteral("LabTitolo"), 21, 22, arial());
    addPageNumber(*Testata, 22);
    addHyphens(*Testata, QStringLiteral("LabLinea"), 44);

    QRBand1 = &r.addBand(QStringLiteral("QRBand1"), BandKind::Title, 20);
    addColumnTitles(
        *QRBand1, QStringLiteral("LabA"), 2,
        {{21, "Table name"}, {115, "Description"}, {505, "Type"}, {593, "Date"}, {659, "Ext."}});
    QRBand2 = &r.addBand(QStringLiteral("QRBand2"), BandKind::Title, 20);
    addColumnTitles(*QRBand2, QStringLiteral("LabB"), 2,
                    {{21, "Field name"},
                     {115, "Description"},
                     {473, "Date"},
                     {552, "Type"},
                     {612, "Size"},
                     {669, "Dec."}});
    QRBand3 = &r.addBand(QStringLiteral("QRBand3"), BandKind::Title, 18);
    addHyphens(*QRBand3, QStringLiteral("LabLinea3"), 0);

    Dettaglio = &r.addBand(QStringLiteral("Dettaglio"), BandKind::Detail, 18);
    Rig00 = &Dettaglio->addLabel(QStringLiteral("Rig00"), 21, 1, courierNew(true));
    Rig01 = &Dettaglio->addLabel(QStringLiteral("Rig01"), 116, 1, arial());
    Rig02 = &Dettaglio->addLabel(QStringLiteral("Rig02"), 479, 1, arial(false, true));
    Rig03 = &Dettaglio->addLabel(QStringLiteral("Rig03"), 571, 1, arial());
    Rig04 = &Dettaglio->addLabel(QStringLiteral("Rig04"), 659, 1, arial());

    QRBand4 = &r.addBand(QStringLiteral("QRBand4"), BandKind::Detail, 18);
    Rig10 = &QRBand4->addLabel(QStringLiteral("Rig10"), 21, 1, courierNew(true));
    Rig11 = &QRBand4->addLabel(QStringLiteral("Rig11"), 116, 1, arial());
    Rig12 = &QRBand4->addLabel(QStringLiteral("Rig12"), 452, 1, arial());
    Rig13 = &QRBand4->addLabel(QStringLiteral("Rig13"), 533, 1, arial());
    Rig14 = &QRBand4->addLabel(QStringLiteral("Rig14"), 612, 1, arial());
    Rig15 = &QRBand4->addLabel(QStringLiteral("Rig15"), 662, 1, arial());

    FinePagina = &r.addBand(QStringLiteral("FinePagina"), BandKind::PageFooter, 18);
    addHyphens(*FinePagina, QStringLiteral("LabLineaFine"), 0);

    FineStampa = &r.addBand(QStringLiteral("FineStampa"), BandKind::Summary, 44);
    addHyphens(*FineStampa, QStringLiteral("LabLineaEnd"), 0);
    FineStampa->addLabel(QStringLiteral("LabEnd"), 330, 22, arial(true),
                         QStringLiteral("*** End ***"));

    auto handler = [this](void (TQRP_Archivi::*method)(bool&)) {
        return [this, method](Band&, bool& printBand) { (this->*method)(printBand); };
    };
    QRBand1->BeforePrint = handler(&TQRP_Archivi::QRBand1BeforePrint);
    QRBand2->BeforePrint = handler(&TQRP_Archivi::QRBand2BeforePrint);
    Dettaglio->BeforePrint = handler(&TQRP_Archivi::DettaglioBeforePrint);
    QRBand4->BeforePrint = handler(&TQRP_Archivi::QRBand4BeforePrint);
    FinePagina->BeforePrint = handler(&TQRP_Archivi::FinePaginaBeforePrint);
}

void TQRP_Archivi::Rep_ArchiviBeforePrint() {
    LabTitolo->setText(QString::fromStdString(ReportTitle));
    // A print from the preview reuses the rows of the preview.
    if (ReportTable == LastReportTable && ReportFilter == LastReportFilter &&
        Dm_Vadem->QryGen.Active())
        return;
    // An SQL error is shown; the report then prints no rows.
    ui::showingErrors([this] { BuildReportQuery(); });
}

void TQRP_Archivi::BuildReportQuery() {
    engine::TQuery& query = Dm_Vadem->QryGen;
    Dm_Vadem->Src_QryGen.SetEnabled(false);
    query.Close();
    query.SQL.clear();
    query.SQL.push_back("SELECT * FROM " + ReportTable);
    if (!ReportFilter.empty())
        query.SQL.push_back("WHERE " + ReportFilter);
    query.SQL.push_back("ORDER BY tmsuff, tmnpfm, tmnrig ");
    for (const auto& [name, value] : ReportParams)
        query.ParamByName(name).SetAsString(value);
    query.Open();
    Dm_Vadem->Src_QryGen.SetEnabled(true);
}

void TQRP_Archivi::QRBand1BeforePrint(bool& PrintBand) {
    PrintBand = ReportTables;
}

void TQRP_Archivi::QRBand2BeforePrint(bool& PrintBand) {
    PrintBand = !ReportTables;
}

void TQRP_Archivi::DettaglioBeforePrint(bool& PrintBand) {
    PrintBand = ReportTables;
    if (!PrintBand)
        return;
    Rig00->setText(fieldText("TMNPFM"));
    Rig01->setText(fieldText("TMDESC"));
    Rig02->setText(fieldText("TMTBAS") == QLatin1String("0") ? QStringLiteral("dBase")
                                                             : QStringLiteral("Paradox"));
    Rig03->setText(dateText("TMDATA"));
    Rig04->setText(fieldText("TMSUFF"));
}

void TQRP_Archivi::QRBand4BeforePrint(bool& PrintBand) {
    PrintBand = !ReportTables;
    if (!PrintBand)
        return;
    Rig10->setText(fieldText("TMNFLD"));
    Rig11->setText(fieldText("TMDESC"));
    Rig12->setText(dateText("TMDATA"));
    Rig13->setText(QString::fromStdString(
        dictionary::fieldTypeWord(Dm_Vadem->QryGen.FieldByName("TMTFLD").AsString())));
    Rig14->setText(fieldText("TMSIZE"));
    Rig15->setText(fieldText("TMDECS"));
}

void TQRP_Archivi::FinePaginaBeforePrint(bool& PrintBand) {
    if (!Dm_Vadem->QryGen.Eof())
        return;
    // The end of the rows: the last page has no footer, and the run is done.
    PrintBand = false;
    ReportFilter.clear();
    LastReportTable = ReportTable;
    LastReportFilter = ReportFilter;
}
