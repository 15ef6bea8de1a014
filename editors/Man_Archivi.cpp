#include "editors/Man_Archivi.h"

TMan_Archivi* Man_Archivi = nullptr;

TMan_Archivi::TMan_Archivi(QWidget* parent) : QDialog(parent) {
    setObjectName("Man_Archivi");
    setWindowTitle("Base-Tables");
    resize(590, 427);
    setModal(true);
}
