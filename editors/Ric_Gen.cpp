#include "editors/Ric_Gen.h"

TRic_Gen* Ric_Gen = nullptr;

TRic_Gen::TRic_Gen(QWidget* parent) : QDialog(parent) {
    setObjectName("Ric_Gen");
    setWindowTitle("Searching base-tables");
    resize(400, 350);
    setModal(true);
}
