#include "shell/Brevon_Logo.h"

#include "shell/MakerPanel.h"
#include "ui/ModalWindows.h"

#include <QToolButton>

TBrevon_Logo::TBrevon_Logo(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Brevon_Logo"));
    setFixedSize(603, 195);
    // The silver panel with a lowered outer bevel fills the window.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setStyleSheet(QStringLiteral("#Panel1 { background: #c0c0c0; }"));
    panel->setGeometry(0, 0, 603, 195);
    auto* logo = new LogoPanel(QStringLiteral("Written by :"), panel);
    logo->setGeometry(8, 8, 281, 179);
    auto* maker = new MakerPanel(panel);
    maker->setGeometry(295, 8, 300, 141);
    BtnAvvio = makeStartButton(panel, QStringLiteral("loading..."));
    BtnAvvio->move(295, 157);
    ui::centreOnScreen(*this);
}
