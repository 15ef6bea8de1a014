#include "operations/Fun_Operazioni.h"

TFun_Operazioni* Fun_Operazioni = nullptr;

TFun_Operazioni::TFun_Operazioni(QWidget* parent) : QDialog(parent) {
    setObjectName("Fun_Operazioni");
    setWindowTitle("Function");
    resize(590, 400);
    setModal(true);
}

void TFun_Operazioni::LoadApplications() {}
