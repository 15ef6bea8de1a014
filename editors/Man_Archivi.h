#pragma once

#include <QDialog>

// The base-table and field editor. Shown modally; one instance, Man_Archivi.
class TMan_Archivi : public QDialog {
    Q_OBJECT
public:
    explicit TMan_Archivi(QWidget* parent = nullptr);
};

extern TMan_Archivi* Man_Archivi;
