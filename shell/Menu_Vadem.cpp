#include "shell/Menu_Vadem.h"

#include "editors/Man_Archivi.h"
#include "editors/Man_Installato.h"
#include "editors/Man_Prodotti.h"
#include "operations/Fun_Operazioni.h"
#include "restore/BaseRestore.h"
#include "shell/ButtonPictures.h"
#include "shell/Pgm_Logo.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"
#include "ui/WaitCursor.h"

#include <QFrame>
#include <QMenuBar>
#include <QToolButton>

TMenu_Vadem* Menu_Vadem = nullptr;

TMenu_Vadem::TMenu_Vadem(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Menu_Vadem"));
    setWindowTitle(QStringLiteral("Schedax"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(632, 59);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setStyleSheet(QStringLiteral("#Panel1 { background: #008080; }"));
    setCentralWidget(Panel1);

    Btn01 = speedButton("Btn01", QStringLiteral("&Restore Base"), 5, 0);
    Btn05 = speedButton("Btn05", QStringLiteral("&Application"), 109, 1);
    Btn02 = speedButton("Btn02", QStringLiteral("&Base-Tables"), 213, 2);
    Btn04 = speedButton("Btn04", QStringLiteral("&Installed"), 317, 3);
    Btn03 = speedButton("Btn03", QStringLiteral("&Function"), 421, 4);
    connect(Btn01, &QToolButton::clicked, this, &TMenu_Vadem::Btn01Click);
    connect(Btn05, &QToolButton::clicked, this, &TMenu_Vadem::Btn05Click);
    connect(Btn02, &QToolButton::clicked, this, &TMenu_Vadem::Btn02Click);
    connect(Btn04, &QToolButton::clicked, this, &TMenu_Vadem::Btn04Click);
    connect(Btn03, &QToolButton::clicked, this, &TMenu_Vadem::Btn03Click);

    // Not a speed button, but drawn as one: its picture above the caption.
    BtnClose = speedButton("BtnClose", QStringLiteral("Cl&ose"), 525, 5);
    connect(BtnClose, &QToolButton::clicked, this, &QWidget::close);

    buildMenu();
    // Fixed single border: the client area keeps its size.
    setFixedSize(632, 59 + menuBar()->sizeHint().height());
}

QToolButton* TMenu_Vadem::speedButton(const char* name, const QString& caption, int left,
                                      int picture) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(menuPicture(picture));
    button->setIconSize(QSize(22, 22));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(left, 5, 100, 50);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(true);
    button->setFont(font);
    return button;
}

void TMenu_Vadem::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("Main_anabas"));
    bar->setNativeMenuBar(false);
    Restore1 = bar->addMenu(QStringLiteral("Main"));
    Restore1->setObjectName(QStringLiteral("Restore1"));
    auto item = [&](const char* name, const QString& text, void (TMenu_Vadem::*handler)()) {
        QAction* action = Restore1->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    RestoreBaseTables1 =
        item("RestoreBaseTables1", QStringLiteral("Restore Base-Tables"), &TMenu_Vadem::Btn01Click);
    Restore1->addSeparator();
    Application1 = item("Application1", QStringLiteral("Application"), &TMenu_Vadem::Btn05Click);
    BaseTables1 = item("BaseTables1", QStringLiteral("Base-Tables"), &TMenu_Vadem::Btn02Click);
    Restore1->addSeparator();
    Installed1 = item("Installed1", QStringLiteral("Installed"), &TMenu_Vadem::Btn04Click);
    Restore1->addSeparator();
    Function1 = item("Function1", QStringLiteral("Function"), &TMenu_Vadem::Btn03Click);
    Prodotto = bar->addAction(QStringLiteral("About"));
    Prodotto->setObjectName(QStringLiteral("Prodotto"));
    connect(Prodotto, &QAction::triggered, this, &TMenu_Vadem::ProdottoClick);
}

void TMenu_Vadem::showTool(QDialog* window) {
    ui::showModal(*window);
    Btn01->setEnabled(false);
}

void TMenu_Vadem::Btn05Click() {
    showTool(Man_Prodotti);
}

void TMenu_Vadem::Btn02Click() {
    showTool(Man_Archivi);
}

void TMenu_Vadem::Btn04Click() {
    showTool(Man_Installato);
}

void TMenu_Vadem::Btn03Click() {
    showTool(Fun_Operazioni);
}

void TMenu_Vadem::ProdottoClick() {
    ui::showModal(*Pgm_Logo);
}

void TMenu_Vadem::Btn01Click() {
    if (ui::dialogs().confirm(QStringLiteral("Restore Base-Tables."), ui::Choice::YesCancel) !=
        ui::Answer::Yes)
        return;
    bool done = ui::showingErrors([this] {
        ui::WaitCursor hourglass;
        RestoreBaseTables();
        Fun_Operazioni->LoadApplications();
    });
    if (done)
        Btn01->setEnabled(false);
}

void TMenu_Vadem::RestoreBaseTables() {
    restoreBaseTables(*Dm_Vadem);
}
