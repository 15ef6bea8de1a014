#include "editors/Man_Indici.h"

TMan_Indici* Man_Indici = nullptr;

TMan_Indici::TMan_Indici(QWidget* parent) : QDialog(parent) {
    setObjectName("Man_Indici");
    setWindowTitle("Index");
    resize(590, 376);
    setModal(true);
}
