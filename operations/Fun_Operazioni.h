#pragma once

#include <QDialog>

// The function screen: the tables of the chosen applications. Shown modally; one instance,
// Fun_Operazioni.
class TFun_Operazioni : public QDialog {
    Q_OBJECT
public:
    explicit TFun_Operazioni(QWidget* parent = nullptr);

    // Reloads the list of applications from T_PROD.
    void LoadApplications();
};

extern TFun_Operazioni* Fun_Operazioni;
