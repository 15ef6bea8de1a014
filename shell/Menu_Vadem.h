#pragma once

#include <QMainWindow>

class QAction;
class QFrame;
class QMenu;
class QToolButton;

// The main menu: six buttons on a teal panel and the menu bar Main_anabas.
// Each tool opens modally; "Restore Base" replaces the dictionary with the
// floppy's. Btn01 starts enabled and is disabled for good once a tool window
// (not the About box) has been closed or a restore has completed; the menu
// item "Restore Base-Tables" always stays available.
class TMenu_Vadem : public QMainWindow {
    Q_OBJECT
public:
    explicit TMenu_Vadem(QWidget* parent = nullptr);

    QFrame* Panel1;
    QToolButton* Btn01;
    QToolButton* Btn05;
    QToolButton* Btn02;
    QToolButton* Btn04;
    QToolButton* Btn03;
    QToolButton* BtnClose;

    QMenu* Restore1;
    QAction* RestoreBaseTables1;
    QAction* Application1;
    QAction* BaseTables1;
    QAction* Installed1;
    QAction* Function1;
    QAction* Prodotto;

    void Btn01Click();
    void Btn02Click();
    void Btn03Click();
    void Btn04Click();
    void Btn05Click();
    void ProdottoClick();
    void RestoreBaseTables();

private:
    QToolButton* speedButton(const char* name, const QString& caption, int left, int picture);
    void buildMenu();
    void showTool(QDialog* window);
};

extern TMenu_Vadem* Menu_Vadem;
