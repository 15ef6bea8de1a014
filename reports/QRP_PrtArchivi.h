#pragma once

#include <QDialog>

#include <string>

// The table listing report. Shown modally; one instance, QRP_PrtArchivi.
class TQRP_PrtArchivi : public QDialog {
    Q_OBJECT
public:
    explicit TQRP_PrtArchivi(QWidget* parent = nullptr);

    // The application code whose tables the listing shows; "" for every one.
    std::string AppFilter;
};

extern TQRP_PrtArchivi* QRP_PrtArchivi;
