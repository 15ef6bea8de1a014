#include "shell/Pgm_Logo.h"

#include "shell/MakerPanel.h"
#include "ui/ModalWindows.h"

#include <QApplication>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TPgm_Logo* Pgm_Logo = nullptr;

namespace {

// A raised bevel with a caption over a red value.
QFrame* titledValue(QWidget* parent, const QString& caption, QLabel*& value, const char* name) {
    auto* bevel = new QFrame(parent);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(2);
    auto* layout = new QVBoxLayout(bevel);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->setSpacing(0);
    layout->addWidget(new QLabel(caption, bevel));
    value = new QLabel(bevel);
    value->setObjectName(QString::fromLatin1(name));
    value->setStyleSheet(QStringLiteral("color: red;"));
    layout->addWidget(value);
    return bevel;
}

} // namespace

TPgm_Logo::TPgm_Logo(QWidget* parent)
    : ui::ToolWindow(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Pgm_Logo"));
    setWindowTitle(QStringLiteral("Informazioni aggiuntive"));
    setFixedSize(602, 251);
    setAutoFillBackground(true);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setStyleSheet(QStringLiteral("#Panel1 { background: #c0c0c0; }"));
    panel->setGeometry(0, 0, 602, 251);

    auto* application =
        titledValue(panel, QStringLiteral("Application :"), NomeProdotto, "NomeProdotto");
    NomeProdotto->setText(QStringLiteral("[NomeProdotto]"));
    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(17);
    title.setBold(true);
    NomeProdotto->setFont(title);
    application->setGeometry(8, 8, 281, 50);
    auto* version = titledValue(panel, QStringLiteral("Version :"), Versione, "Versione");
    Versione->setText(QStringLiteral("Versione 2 - d32 [eng]"));
    version->setGeometry(295, 8, 300, 50);

    auto* logo = new LogoPanel(QStringLiteral("Written by"), panel);
    logo->setGeometry(8, 64, 281, 179);
    auto* maker = new MakerPanel(panel);
    maker->setGeometry(295, 64, 300, 141);
    BtnAvvio = makeStartButton(panel, QStringLiteral("Good Work !!!"));
    BtnAvvio->setToolTip(QStringLiteral("Hit here."));
    BtnAvvio->move(295, 213);
    connect(BtnAvvio, &QToolButton::clicked, this, &TPgm_Logo::BtnAvvioClick);

    FormCreate();
    ui::centreOnScreen(*this);
}

void TPgm_Logo::FormCreate() {
    NomeProdotto->setText(QApplication::applicationName());
}

void TPgm_Logo::BtnAvvioClick() {
    accept();
}
