#pragma once

#include "ui/FieldBinding.h"

#include <QCheckBox>

namespace ui {

// A check box bound to a field: checked when the field's text is the checked
// value ("True" unless set), unchecked otherwise. Clicking stores the
// matching value, and only while the dataset is inserting or editing;
// otherwise the box springs back.
class DbCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DbCheckBox(QWidget* parent = nullptr);
    void setValues(const QString& checked, const QString& unchecked);
    void bind(engine::TDataSource* source, const std::string& fieldName);

private:
    void showField();
    void toggle(bool checked);

    FieldBinding binding_;
    QString valueChecked_ = QStringLiteral("True");
    QString valueUnchecked_ = QStringLiteral("False");
};

} // namespace ui
