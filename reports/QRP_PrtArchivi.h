#pragma once

#include <QDialog>

// The table listing report. Shown modally; one instance, QRP_PrtArchivi.
class TQRP_PrtArchivi : public QDialog {
    Q_OBJECT
public:
    explicit TQRP_PrtArchivi(QWidget* parent = nullptr);
};

extern TQRP_PrtArchivi* QRP_PrtArchivi;
