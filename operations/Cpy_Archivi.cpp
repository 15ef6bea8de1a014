#include "operations/Cpy_Archivi.h"

TCpy_Archivi* Cpy_Archivi = nullptr;

TCpy_Archivi::TCpy_Archivi(QWidget* parent) : QDialog(parent) {
    setObjectName("Cpy_Archivi");
    setWindowTitle("Coping data in base-tables");
    resize(480, 300);
    setModal(true);
}
