#include "shell/MakerPanel.h"

#include "shell/Logo.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* addLine(QVBoxLayout* layout, QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("color: black;"));
    layout->addWidget(label);
    return label;
}

} // namespace

MakerPanel::MakerPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("MakerPanel"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedWidth(300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(1);
    auto* name = new QLabel(QStringLiteral("Brevon \u00AE"), this);
    name->setObjectName(QStringLiteral("RagSoc"));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(22);
    font.setBold(true);
    font.setItalic(true);
    font.setUnderline(true);
    name->setFont(font);
    name->setStyleSheet(QStringLiteral("color: blue;"));
    layout->addWidget(name);
    addLine(layout, this, "LabPersone", QStringLiteral("A. Brevi, L. Onofri"));
    addLine(layout, this, "LabIndirizzo", QStringLiteral("Via dei Mille 12, 40121 Bologna"));
    addLine(layout, this, "LabTelefono", QStringLiteral("Tel. 051 555 0142"));
    addLine(layout, this, "LabFax", QStringLiteral("Fax 051 555 0143"));
    addLine(layout, this, "LabNazione", QStringLiteral("Italy"));
    addLine(layout, this, "LabEmail", QStringLiteral("schedax@brevon.example"));
    layout->addStretch();
}

LogoPanel::LogoPanel(const QString& caption, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("LogoPanel"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 6);
    layout->setSpacing(2);
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("LabWritten"));
    layout->addWidget(label);
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Logo"));
    logo->setFixedSize(263, 154);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap::fromImage(makerLogo()));
    layout->addWidget(logo);
}

QToolButton* makeStartButton(QWidget* parent, const QString& caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("BtnAvvio"));
    button->setText(caption);
    button->setFixedSize(300, 30);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    button->setFont(font);
    button->setStyleSheet(QStringLiteral("QToolButton { color: red; }"));
    return button;
}
