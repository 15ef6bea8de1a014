#pragma once

#include <QDialog>

// The installed applications. Shown modally; one instance, Man_Installato.
class TMan_Installato : public QDialog {
    Q_OBJECT
public:
    explicit TMan_Installato(QWidget* parent = nullptr);
};

extern TMan_Installato* Man_Installato;
