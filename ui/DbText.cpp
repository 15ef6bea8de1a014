#include "ui/DbText.h"

#include "ui/FieldText.h"

namespace ui {

DbText::DbText(QWidget* parent) : QLabel(parent) {
    binding_.link.onState = [this](engine::TDataSource&) { showField(); };
    binding_.link.onData = [this](engine::TDataSource&, engine::TField*) { showField(); };
}

void DbText::bind(engine::TDataSource* source, const std::string& fieldName) {
    binding_.bind(source, fieldName);
    showField();
}

void DbText::showField() {
    engine::TField* f = binding_.field();
    setText(f ? displayText(*f) : QString());
}

} // namespace ui
