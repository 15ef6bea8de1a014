#pragma once

#include <QDialog>

// The application editor. Shown modally; one instance, Man_Prodotti.
class TMan_Prodotti : public QDialog {
    Q_OBJECT
public:
    explicit TMan_Prodotti(QWidget* parent = nullptr);
};

extern TMan_Prodotti* Man_Prodotti;
