#include "operations/Crt_Archivi.h"

TCrt_Archivi* Crt_Archivi = nullptr;

TCrt_Archivi::TCrt_Archivi(QWidget* parent) : QDialog(parent) {
    setObjectName("Crt_Archivi");
    setWindowTitle("Create / update table");
    resize(480, 300);
    setModal(true);
}
