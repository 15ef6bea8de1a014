#pragma once

#include <QDialog>

// The base-table report. Shown modally; one instance, QRP_Archivi.
class TQRP_Archivi : public QDialog {
    Q_OBJECT
public:
    explicit TQRP_Archivi(QWidget* parent = nullptr);
};

extern TQRP_Archivi* QRP_Archivi;
