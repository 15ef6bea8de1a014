#pragma once

#include "reportengine/Report.h"

#include <QObject>

#include <functional>
#include <string>

// The roster of tables and fields: for each base table of the chosen
// application (or of all) a block on a new page, read through the data
// module's DbFld grouped by JMP1. One instance, QRP_PrtArchivi; the
// function screen sets AppFilter and calls Rep_PrtArchivi.Preview().
class TQRP_PrtArchivi : public QObject {
    Q_OBJECT
public:
    explicit TQRP_PrtArchivi(QObject* parent = nullptr);

    // The application code whose tables are listed; empty for all.
    std::string AppFilter;
    // The entry of the caller's application choice (the function screen's
    // SetPrd), read while printing: 0 lists every table, k >= 1 the tables
    // of AppFilter, -1 (no entry) none. Without one, AppFilter alone decides.
    std::function<int()> AppChoice;

    reportengine::Report Rep_PrtArchivi{QStringLiteral("Rep_PrtArchivi")};

    void Rep_PrtArchiviBeforePrint();
    void TestataBeforePrint(reportengine::Band& sender, bool& PrintBand);
    void DettaglioBeforePrint(bool& PrintBand);
    void FinePaginaBeforePrint(bool& PrintBand);
    // Whether the current row of DbFld belongs to the chosen tables.
    bool RowSelected() const;

    reportengine::Band* Testata;
    reportengine::Band* Dettaglio;
    reportengine::Band* FinePagina;
    reportengine::Band* FineStampa;
    reportengine::Label* Rig00;

private:
    void buildBands();
    void placeDateColumn();

    // The table whose block is being printed was selected; its footer
    // follows that choice (the row after it may belong to another table).
    bool groupSelected_ = false;
    // Where the design puts the date column and its title.
    double dateX_ = 0;
    double dateTitleX_ = 0;
};

extern TQRP_PrtArchivi* QRP_PrtArchivi;
