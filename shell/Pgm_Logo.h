#pragma once

#include "ui/ToolWindow.h"

class QLabel;
class QToolButton;

// The About box: the program's title and version over the logo and the
// maker's panel; "Good Work !!!" closes it (Escape does not).
class TPgm_Logo : public ui::ToolWindow {
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
