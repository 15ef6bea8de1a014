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
// otherwise the choice springs back. However an item is toggled (mouse,
// keyboard, or an assistive tool through the accessibility interface), one
// item at most shows as checked, the one of the field's value.
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
    void toggled(int index, bool checked);

    FieldBinding binding_;
    QButtonGroup group_;
    QStringList values_;
    bool showing_ = false;
};

} // namespace ui
