#include "editors/Man_Prodotti.h"

TMan_Prodotti* Man_Prodotti = nullptr;

TMan_Prodotti::TMan_Prodotti(QWidget* parent) : QDialog(parent) {
    setObjectName("Man_Prodotti");
    setWindowTitle("Application");
    resize(590, 376);
    setModal(true);
}
