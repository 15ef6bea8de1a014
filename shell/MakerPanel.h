#pragma once

#include <QFrame>

class QToolButton;

// The maker's panel shown in the splash window and the About box: the
// maker's name (RagSoc) and people, address, telephone and fax, country and
// e-mail, on a raised bevel 300 pixels wide.
class MakerPanel : public QFrame {
    Q_OBJECT
public:
    explicit MakerPanel(QWidget* parent = nullptr);
};

// A raised bevel holding the caption "Written by" (with or without a colon)
// over the logo stretched into 263 by 154 pixels.
class LogoPanel : public QFrame {
    Q_OBJECT
public:
    LogoPanel(const QString& caption, QWidget* parent = nullptr);
};

// The start button of the splash window and the About box: red bold Arial,
// 300 by 30 pixels.
QToolButton* makeStartButton(QWidget* parent, const QString& caption);
