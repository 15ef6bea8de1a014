#include "ui/DbCheckBox.h"

#include "ui/Dialogs.h"

namespace ui {

DbCheckBox::DbCheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::clicked, this, &DbCheckBox::toggle);
    binding_.link.onState = [this](engine::TDataSource&) { showField(); };
    binding_.link.onData = [this](engine::TDataSource&, engine::TField* changed) {
        if (!changed || changed == binding_.field())
            showField();
    };
}

void DbCheckBox::setValues(const QString& checked, const QString& unchecked) {
    valueChecked_ = checked;
    valueUnchecked_ = unchecked;
    showField();
}

void DbCheckBox::bind(engine::TDataSource* source, const std::string& fieldName) {
    binding_.bind(source, fieldName);
    showField();
}

void DbCheckBox::showField() {
    engine::TField* f = binding_.field();
    setChecked(f &&
               QString::fromStdString(f->AsString()).compare(valueChecked_, Qt::CaseInsensitive) ==
                   0);
}

void DbCheckBox::toggle(bool checked) {
    if (binding_.editing()) {
        try {
            binding_.field()->SetAsString(
                (checked ? valueChecked_ : valueUnchecked_).toStdString());
        } catch (const std::exception& error) {
            dialogs().error(QString::fromStdString(error.what()));
        }
    }
    showField();
}

} // namespace ui
