// The controls of TMan_Ambienti with their sizes, fonts and captions.
#include "envtool/Man_Ambienti.h"

#include "envtool/StringGrid.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFont titleFont() {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

QLabel* titleLabel(QWidget* parent, const char* name, const QString& text, const QColor& colour,
                   const QRect& geometry) {
    auto* label = named(new QLabel(text, parent), name);
    label->setFont(titleFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(geometry);
    return label;
}

QFrame* bevel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* frame = named(new QFrame(parent), name);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption,
                         const QString& hint, QStyle::StandardPixmap glyph, const QRect& geometry) {
    auto* button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setGeometry(geometry);
    return button;
}

} // namespace

void TMan_Ambienti::createControls() {
    setObjectName(QStringLiteral("Man_Ambienti"));
    setWindowTitle(QString::fromUtf8("Path of alias selection - Brevon \u00ae"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    setFont(arial);
    resize(574, 291);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* clientLayout = new QVBoxLayout(this);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    Panel2 = named(new QFrame(this), "Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    clientLayout->addWidget(Panel2);

    auto* panelLayout = new QVBoxLayout(Panel2);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    ScrollBox = named(new QScrollArea(Panel2), "ScrollBox");
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setWidgetResizable(true);
    panelLayout->addWidget(ScrollBox);

    auto* box = new QWidget;
    box->setMinimumSize(570, 286);
    ScrollBox->setWidget(box);

    Bevel1 = bevel(box, "Bevel1", {4, 4, 564, 36});
    Bevel2 = bevel(box, "Bevel2", {8, 8, 82, 28});
    Bevel3 = bevel(box, "Bevel3", {96, 8, 468, 28});
    Label2 = titleLabel(box, "Label2", QStringLiteral("Select"), Qt::black, {14, 11, 72, 22});
    LabAmbiente = titleLabel(box, "LabAmbiente", QStringLiteral("[SelezioneAmbiente]"), Qt::red,
                             {102, 11, 456, 22});

    GridAmb = named(new StringGrid(box), "GridAmb");
    GridAmb->setGeometry(4, 46, 564, 198);

    BtnConferma = speedButton(box, "BtnConferma", QStringLiteral("&Post"),
                              QStringLiteral("Post path description."), QStyle::SP_DialogSaveButton,
                              {4, 250, 100, 32});
    BtnAttiva = speedButton(box, "BtnAttiva", QStringLiteral("&Select"),
                            QStringLiteral("Select path tables. "), QStyle::SP_DialogApplyButton,
                            {235, 250, 100, 32});
    BottoneUscita = named(new QPushButton(QStringLiteral("Cl&ose"), box), "BottoneUscita");
    BottoneUscita->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BottoneUscita->setGeometry(468, 250, 100, 32);
}
