#include "reports/QRP_PrtArchivi.h"

TQRP_PrtArchivi* QRP_PrtArchivi = nullptr;

TQRP_PrtArchivi::TQRP_PrtArchivi(QWidget* parent) : QDialog(parent) {
    setObjectName("QRP_PrtArchivi");
    setWindowTitle("Table listing report");
    resize(640, 480);
    setModal(true);
}
