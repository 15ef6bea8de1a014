#pragma once

#include "ui/FieldBinding.h"

#include <QLabel>

namespace ui {

// Read-only text of a field, in its display format.
class DbText : public QLabel {
    Q_OBJECT
public:
    explicit DbText(QWidget* parent = nullptr);
    void bind(engine::TDataSource* source, const std::string& fieldName);

private:
    void showField();
    FieldBinding binding_;
};

} // namespace ui
