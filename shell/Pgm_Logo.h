#pragma once

#include <QDialog>

class QLabel;
class QToolButton;

// The About box: the program's title and version over the logo and the
// maker's panel; "Good Work !!!" closes it.
class TPgm_Logo : public QDialog {
    Q_OBJECT
public:
    explicit TPgm_Logo(QWidget* parent = nullptr);

    QLabel* NomeProdotto;
    QLabel* Versione;
    QToolButton* BtnAvvio;

    void FormCreate();
    void BtnAvvioClick();
};

extern TPgm_Logo* Pgm_Logo;
