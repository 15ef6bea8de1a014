#include "ui/Bookmark.h"

#include "engine/base/EngineError.h"

namespace ui {

Bookmark::Bookmark(engine::TDataSet& dataSet)
    : table_(dynamic_cast<engine::TTable*>(&dataSet)),
      query_(dynamic_cast<engine::TQuery*>(&dataSet)) {
    set();
}

void Bookmark::set() {
    if (query_) {
        bool browsing = query_->State() == engine::dsBrowse;
        queryRow_ = browsing ? query_->RecNo() : engine::NoRow;
        return;
    }
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
    if (query_)
        return query_->State() == engine::dsBrowse && query_->GotoRecNo(queryRow_);
    if (!holder_ || !table_->Active() || table_->State() != engine::dsBrowse)
        return false;
    try {
        table_->GotoCurrent(*holder_);
        return true;
    } catch (const engine::EngineError&) {
        return false; // the row was deleted meanwhile
    }
}

engine::RowId currentRowId(engine::TDataSet& dataSet) {
    if (auto* table = dynamic_cast<engine::TTable*>(&dataSet))
        return table->currentRow();
    if (auto* query = dynamic_cast<engine::TQuery*>(&dataSet))
        return query->RecNo();
    return engine::NoRow;
}

} // namespace ui
