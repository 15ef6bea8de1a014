#include "shell/Brevon_Logo.h"

#include "shell/MakerPanel.h"
#include "ui/ModalWindows.h"

#include <QToolButton>

TBrevon_Logo::TBrevon_Logo(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Brevon_Logo"));
    setFixedSize(603, 195);
    // The silver panel with a lowered outer bevel fills the window.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("TBrevon_Logo { background: #c0c0c0; }"));
    auto* logo = new LogoPanel(QStringLiteral("Written by :"), this);
    logo->setGeometry(8, 8, 281, 179);
    auto* maker = new MakerPanel(this);
    maker->setGeometry(295, 8, 300, 141);
    BtnAvvio = makeStartButton(this, QStringLiteral("loading..."));
    BtnAvvio->move(295, 157);
    ui::centreOnScreen(*this);
}
