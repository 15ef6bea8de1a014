#include "reports/QRP_PrtArchivi.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/TypeWords.h"
#include "reports/ReportParts.h"

#include <algorithm>

TQRP_PrtArchivi* QRP_PrtArchivi = nullptr;

using reportengine::Band;
using reportengine::BandKind;
using namespace reports;

namespace {

void openOrRefresh(engine::TTable& table) {
    if (table.Active())
        table.Refresh();
    else
        table.Open();
}

} // namespace

TQRP_PrtArchivi::TQRP_PrtArchivi(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("QRP_PrtArchivi"));
    buildBands();
    Rep_PrtArchivi.DataSource = &Dm_Vadem->Src_DbFld;
    Rep_PrtArchivi.BeforePrint = [this](reportengine::Report&) { Rep_PrtArchiviBeforePrint(); };
}

void TQRP_PrtArchivi::buildBands() {
    TDm_Vadem& dm = *Dm_Vadem;
    reportengine::Report& r = Rep_PrtArchivi;

    // QRGroup1: a new group at every change of JMP1.
    Testata = &r.addBand(QStringLiteral("Testata"), BandKind::GroupHeader, 96);
    Testata->groupField = dm.DbFldJMP1;
    // Readers of a roster expect the heading on a page that continues a table.
    Testata->RepeatOnNewPage = true;
    addBrandRow(*Testata, 2);
    addFieldLabel(*Testata, QStringLiteral("LabNPFM"), 21, 21, arial(true), dm.DbFldNPFM);
    addFieldLabel(*Testata, QStringLiteral("LabDPFM"), 116, 21, arial(), dm.DbFldDPFM);
    addPageNumber(*Testata, 21);
    addHyphens(*Testata, QStringLiteral("LabLinea1"), 40);
    addColumnTitles(*Testata, QStringLiteral("LabT"), 59,
                    {{21, "Field name"},
                     {115, "Field description"},
                     {456, "Date"},
                     {526, "Type"},
                     {592, "Size"},
                     {648, "Dec."}});
    addHyphens(*Testata, QStringLiteral("LabLinea2"), 78);

    Dettaglio = &r.addBand(QStringLiteral("Dettaglio"), BandKind::Detail, 18);
    addFieldLabel(*Dettaglio, QStringLiteral("RigTMNFLD"), 21, 1, courierNew(true), dm.DbFldTMNFLD);
    addFieldLabel(*Dettaglio, QStringLiteral("RigTMDESC"), 116, 1, arial(), dm.DbFldTMDESC);
    addFieldLabel(*Dettaglio, QStringLiteral("RigTMDATA"), 434, 1, arial(), dm.DbFldTMDATA);
    Rig00 = &Dettaglio->addLabel(QStringLiteral("Rig00"), 514, 1, arial());
    addFieldLabel(*Dettaglio, QStringLiteral("RigTMSIZE"), 602, 1, arial(), dm.DbFldTMSIZE);
    addFieldLabel(*Dettaglio, QStringLiteral("RigTMDECS"), 658, 1, arial(), dm.DbFldTMDECS);

    dateX_ = Dettaglio->label(QStringLiteral("RigTMDATA"))->x;
    dateTitleX_ = Testata->label(QStringLiteral("LabT2"))->x;

    FinePagina = &r.addBand(QStringLiteral("FinePagina"), BandKind::GroupFooter, 18);
    addHyphens(*FinePagina, QStringLiteral("LabLineaFine"), 0);
    Testata->groupFooter = FinePagina;

    FineStampa = &r.addBand(QStringLiteral("FineStampa"), BandKind::Summary, 44);
    addHyphens(*FineStampa, QStringLiteral("LabLineaEnd"), 0);
    FineStampa->addLabel(QStringLiteral("LabEnd"), 330, 22, arial(true),
                         QStringLiteral("*** End ***"));

    Testata->BeforePrint = [this](Band& sender, bool& printBand) {
        TestataBeforePrint(sender, printBand);
    };
    Dettaglio->BeforePrint = [this](Band&, bool& printBand) { DettaglioBeforePrint(printBand); };
    FinePagina->BeforePrint = [this](Band&, bool& printBand) { FinePaginaBeforePrint(printBand); };
}

void TQRP_PrtArchivi::placeDateColumn() {
    // The design leaves room for "dd/mm/yy"; a locale whose short date is
    // wider ("29 Feb 2024") moves the column and its title to the left, so
    // that its widest date still ends three blanks clear of the type.
    reportengine::Label& date = *Dettaglio->label(QStringLiteral("RigTMDATA"));
    double gap = designWidth(date.font, QStringLiteral("   "));
    double fits = Rig00->x - gap - widestShortDate(date.font);
    date.x = std::min(dateX_, fits);
    Testata->label(QStringLiteral("LabT2"))->x = dateTitleX_ - (dateX_ - date.x);
}

void TQRP_PrtArchivi::Rep_PrtArchiviBeforePrint() {
    placeDateColumn();
    // The lookups of DbFld (application, table name and description) read Base.
    openOrRefresh(Dm_Vadem->Base);
    openOrRefresh(Dm_Vadem->DbFld);
}

bool TQRP_PrtArchivi::RowSelected() const {
    int entry = AppChoice ? AppChoice() : (AppFilter.empty() ? 0 : 1);
    if (entry < 0)
        return false;
    return entry == 0 || Dm_Vadem->DbFldSUFF->AsString() == AppFilter;
}

void TQRP_PrtArchivi::TestataBeforePrint(Band& sender, bool& PrintBand) {
    PrintBand = RowSelected();
    sender.ForceNewPage = PrintBand;
    groupSelected_ = PrintBand;
}

void TQRP_PrtArchivi::DettaglioBeforePrint(bool& PrintBand) {
    PrintBand = RowSelected();
    Rig00->setText(
        QString::fromStdString(dictionary::fieldTypeWord(Dm_Vadem->DbFldTMTFLD->AsString())));
}

void TQRP_PrtArchivi::FinePaginaBeforePrint(bool& PrintBand) {
    PrintBand = groupSelected_ && !Dm_Vadem->DbFld.Eof();
}
