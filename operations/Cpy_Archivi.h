#pragma once

#include <QDialog>

// The copier of reference data into base tables. Shown modally; one instance, Cpy_Archivi.
class TCpy_Archivi : public QDialog {
    Q_OBJECT
public:
    explicit TCpy_Archivi(QWidget* parent = nullptr);
};

extern TCpy_Archivi* Cpy_Archivi;
