#pragma once

#include <QDialog>

// The search dialog over a dictionary table. Shown modally; one instance, Ric_Gen.
class TRic_Gen : public QDialog {
    Q_OBJECT
public:
    explicit TRic_Gen(QWidget* parent = nullptr);
};

extern TRic_Gen* Ric_Gen;
