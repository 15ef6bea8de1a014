#pragma once

#include <QDialog>

// The index editor of one base table. Shown modally; one instance, Man_Indici.
class TMan_Indici : public QDialog {
    Q_OBJECT
public:
    explicit TMan_Indici(QWidget* parent = nullptr);
};

extern TMan_Indici* Man_Indici;
