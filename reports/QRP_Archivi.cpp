#include "reports/QRP_Archivi.h"

TQRP_Archivi* QRP_Archivi = nullptr;

TQRP_Archivi::TQRP_Archivi(QWidget* parent) : QDialog(parent) {
    setObjectName("QRP_Archivi");
    setWindowTitle("Base-table report");
    resize(640, 480);
    setModal(true);
}
