#include "editors/Man_Installato.h"

TMan_Installato* Man_Installato = nullptr;

TMan_Installato::TMan_Installato(QWidget* parent) : QDialog(parent) {
    setObjectName("Man_Installato");
    setWindowTitle("Installed application");
    resize(429, 338);
    setModal(true);
}
