#pragma once

#include "ui/FieldBinding.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

namespace ui {

// A framed group of radio items bound to a field: the item whose value equals
// the field's text is checked (none for any other text). Choosing an item
// stores its value, and only while the dataset is inserting or editing;
// otherwise the choice springs back.
class DbRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit DbRadioGroup(QWidget* parent = nullptr);

    void setItems(const QStringList& items, const QStringList& values);
    void bind(engine::TDataSource* source, const std::string& fieldName);
    QRadioButton* item(int index) const;
    // The checked item, -1 when none.
    int itemIndex() const;

private:
    void showField();
    void choose(int index);

    FieldBinding binding_;
    QButtonGroup group_;
    QStringList values_;
};

} // namespace ui
