#pragma once

#include "ui/FieldBinding.h"

#include <QComboBox>

#include <cstdint>

namespace ui {

// A drop-down list bound to a key field. Its items come from another data
// source (the list source): one per row, showing the list field and standing
// for the key field. The item whose key equals the field's value is shown;
// choosing an item stores its key, and only while the dataset is inserting or
// editing; otherwise the choice springs back.
class DbLookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DbLookupCombo(QWidget* parent = nullptr);

    void bind(engine::TDataSource* source, const std::string& fieldName);
    void setList(engine::TDataSource* listSource, const std::string& keyField,
                 const std::string& listField);
    // The keys of the items, in list order.
    QStringList keys() const;

private:
    void loadList();
    void listChanged();
    void showField();
    void choose(int index);

    FieldBinding binding_;
    DataLink listLink_;
    std::string keyField_;
    std::string listField_;
    bool loading_ = false;
    std::uint64_t loadedChange_ = 0;
};

} // namespace ui
