#include "ui/DbRadioGroup.h"

#include "ui/Dialogs.h"

#include <QVBoxLayout>

namespace ui {

DbRadioGroup::DbRadioGroup(QWidget* parent) : QGroupBox(parent) {
    new QVBoxLayout(this);
    group_.setExclusive(false); // so that no item may be checked
    connect(&group_, &QButtonGroup::idToggled, this, &DbRadioGroup::toggled);
    binding_.link.onState = [this](engine::TDataSource&) { showField(); };
    binding_.link.onData = [this](engine::TDataSource&, engine::TField* changed) {
        if (!changed || changed == binding_.field())
            showField();
    };
}

void DbRadioGroup::setItems(const QStringList& items, const QStringList& values) {
    for (QAbstractButton* button : group_.buttons()) {
        group_.removeButton(button);
        delete button;
    }
    values_ = values;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("Item%1").arg(i));
        group_.addButton(button, i);
        layout()->addWidget(button);
    }
    showField();
}

QRadioButton* DbRadioGroup::item(int index) const {
    return static_cast<QRadioButton*>(group_.button(index));
}

int DbRadioGroup::itemIndex() const {
    for (QAbstractButton* button : group_.buttons())
        if (button->isChecked())
            return group_.id(button);
    return -1;
}

void DbRadioGroup::bind(engine::TDataSource* source, const std::string& fieldName) {
    binding_.bind(source, fieldName);
    showField();
}

void DbRadioGroup::showField() {
    engine::TField* f = binding_.field();
    int checked = f ? values_.indexOf(QString::fromStdString(f->AsString())) : -1;
    showing_ = true;
    for (QAbstractButton* button : group_.buttons())
        button->setChecked(group_.id(button) == checked);
    showing_ = false;
}

// The group is not exclusive (so that no item may be checked): every toggle
// of the user's is answered by showing the field again.
void DbRadioGroup::toggled(int index, bool checked) {
    if (showing_)
        return;
    if (checked)
        choose(index);
    else
        showField();
}

void DbRadioGroup::choose(int index) {
    if (binding_.editing() && index < values_.size()) {
        try {
            binding_.field()->SetAsString(values_[index].toStdString());
        } catch (const std::exception& error) {
            dialogs().error(QString::fromStdString(error.what()));
        }
    }
    showField();
}

} // namespace ui
