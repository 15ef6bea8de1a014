#pragma once

#include "reportengine/Report.h"

#include <QObject>

#include <string>
#include <utility>
#include <vector>

// The base-table report: the base tables of the dictionary (ReportTables
// true) or the fields of one table, read through the data module's QryGen.
// One instance, QRP_Archivi; the caller sets the Report* members and calls
// Rep_Archivi.Preview().
class TQRP_Archivi : public QObject {
    Q_OBJECT
public:
    explicit TQRP_Archivi(QObject* parent = nullptr);

    std::string ReportTable;  // after "SELECT * FROM "
    std::string ReportTitle;  // printed in the page header
    std::string ReportFilter; // SQL condition of the rows; empty: all
    bool ReportTables = false;
    // Values of the named parameters (":name") that ReportFilter uses, so
    // that a value is never spliced into the SQL text.
    std::vector<std::pair<std::string, std::string>> ReportParams;

    // The table and filter of the last run that reached the end of its rows.
    std::string LastReportTable;
    std::string LastReportFilter;

    reportengine::Report Rep_Archivi{QStringLiteral("Rep_Archivi")};

    void Rep_ArchiviBeforePrint();
    void BuildReportQuery();
    void QRBand1BeforePrint(bool& PrintBand);
    void QRBand2BeforePrint(bool& PrintBand);
    void DettaglioBeforePrint(bool& PrintBand);
    void QRBand4BeforePrint(bool& PrintBand);
    void FinePaginaBeforePrint(bool& PrintBand);

    reportengine::Band* Testata;
    reportengine::Band* QRBand1;
    reportengine::Band* QRBand2;
    reportengine::Band* QRBand3;
    reportengine::Band* Dettaglio;
    reportengine::Band* QRBand4;
    reportengine::Band* FinePagina;
    reportengine::Band* FineStampa;
    reportengine::Label* LabTitolo;
    reportengine::Label* Rig00;
    reportengine::Label* Rig01;
    reportengine::Label* Rig02;
    reportengine::Label* Rig03;
    reportengine::Label* Rig04;
    reportengine::Label* Rig10;
    reportengine::Label* Rig11;
    reportengine::Label* Rig12;
    reportengine::Label* Rig13;
    reportengine::Label* Rig14;
    reportengine::Label* Rig15;

private:
    void buildBands();
};

extern TQRP_Archivi* QRP_Archivi;
