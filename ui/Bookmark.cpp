#include "ui/Bookmark.h"

#include "engine/EngineError.h"

namespace ui {

Bookmark::Bookmark(engine::TDataSet& dataSet) : table_(dynamic_cast<engine::TTable*>(&dataSet)) {
    set();
}

void Bookmark::set() {
    if (!table_ || !table_->Active() || table_->currentRow() == engine::NoRow ||
        table_->State() != engine::dsBrowse) {
        holder_.reset();
        return;
    }
    if (!holder_) {
        holder_ = std::make_unique<engine::TTable>();
        holder_->Name = table_->Name + " bookmark";
        holder_->SetDatabaseName(table_->DatabaseName());
        holder_->SetTableName(table_->TableName());
        holder_->SetTableType(table_->TableType());
        holder_->Exclusive = table_->Exclusive;
        holder_->ReadOnly = table_->ReadOnly;
        holder_->Open();
    }
    holder_->GotoCurrent(*table_);
}

bool Bookmark::restore() {
    if (!holder_ || !table_->Active() || table_->State() != engine::dsBrowse)
        return false;
    try {
        table_->GotoCurrent(*holder_);
        return true;
    } catch (const engine::EngineError&) {
        return false; // the row was deleted meanwhile
    }
}

} // namespace ui
