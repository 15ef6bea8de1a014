#include "ui/DbLookupCombo.h"

#include "engine/dataset/Table.h"
#include "ui/Dialogs.h"

namespace ui {

namespace {

// A number that moves whenever the list's table is written; 0 for non-tables.
std::uint64_t changeCountOf(engine::TDataSet* dataSet) {
    auto* table = dynamic_cast<engine::TTable*>(dataSet);
    return table && table->tableFile() ? table->tableFile()->changeCount() + 1 : 0;
}

} // namespace

DbLookupCombo::DbLookupCombo(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, &DbLookupCombo::choose);
    binding_.link.onState = [this](engine::TDataSource&) { showField(); };
    binding_.link.onData = [this](engine::TDataSource&, engine::TField* changed) {
        if (!changed || changed == binding_.field())
            showField();
    };
    listLink_.onState = [this](engine::TDataSource&) { loadList(); };
    listLink_.onData = [this](engine::TDataSource&, engine::TField*) { listChanged(); };
}

void DbLookupCombo::bind(engine::TDataSource* source, const std::string& fieldName) {
    binding_.bind(source, fieldName);
    showField();
}

void DbLookupCombo::setList(engine::TDataSource* listSource, const std::string& keyField,
                            const std::string& listField) {
    keyField_ = keyField;
    listField_ = listField;
    listLink_.setSource(listSource);
    loadList();
}

QStringList DbLookupCombo::keys() const {
    QStringList result;
    for (int i = 0; i < count(); ++i)
        result << itemData(i).toString();
    return result;
}

void DbLookupCombo::listChanged() {
    engine::TDataSource* list = listLink_.source();
    std::uint64_t change = list ? changeCountOf(list->DataSet()) : 0;
    if (change == 0 || change != loadedChange_)
        loadList();
}

void DbLookupCombo::loadList() {
    if (loading_)
        return;
    loading_ = true;
    clear();
    engine::TDataSource* list = listLink_.source();
    engine::TDataSet* dataSet =
        list && list->State() == engine::dsBrowse ? list->DataSet() : nullptr;
    if (dataSet) {
        try {
            engine::TField& key = dataSet->FieldByName(keyField_);
            engine::TField& shown = dataSet->FieldByName(listField_);
            walkQuietly(*dataSet, [&] {
                for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
                    addItem(QString::fromStdString(shown.AsString()),
                            QString::fromStdString(key.AsString()));
            });
            loadedChange_ = changeCountOf(dataSet);
        } catch (const std::exception& error) {
            loading_ = false;
            dialogs().error(QString::fromStdString(error.what()));
            return;
        }
    }
    loading_ = false;
    showField();
}

void DbLookupCombo::showField() {
    if (loading_)
        return;
    engine::TField* f = binding_.field();
    setCurrentIndex(f ? findData(QString::fromStdString(f->AsString())) : -1);
}

void DbLookupCombo::choose(int index) {
    if (binding_.editing() && index >= 0) {
        try {
            binding_.field()->SetAsString(itemData(index).toString().toStdString());
        } catch (const std::exception& error) {
            dialogs().error(QString::fromStdString(error.what()));
        }
    }
    showField();
}

} // namespace ui
