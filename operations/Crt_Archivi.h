#pragma once

#include <QDialog>

// The builder of physical tables from the dictionary. Shown modally; one instance, Crt_Archivi.
class TCrt_Archivi : public QDialog {
    Q_OBJECT
public:
    explicit TCrt_Archivi(QWidget* parent = nullptr);
};

extern TCrt_Archivi* Crt_Archivi;
