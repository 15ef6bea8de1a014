#pragma once

#include <QFrame>

class QToolButton;

// The splash window shown while the program starts: no border, logo at the
// left, maker's panel at the right and the inert "loading..." button below it.
class TBrevon_Logo : public QFrame {
    Q_OBJECT
public:
    explicit TBrevon_Logo(QWidget* parent = nullptr);
    QToolButton* BtnAvvio;
};
