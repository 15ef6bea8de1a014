#include "engine/dataset/DataSet.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/DataSource.h"

#include <algorithm>

namespace engine {

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    for (TDataSource* source : sources_)
        source->datasetGone();
}

void TDataSet::requireActive(const char* what) const {
    if (!Active())
        throw EngineError(code::NotActive,
                          std::string("Cannot ") + what + " on a closed dataset " + Name);
}

TField& TDataSet::AddField(const std::string& name, TFieldType type, int size, TFieldKind kind) {
    if (Active())
        throw EngineError(code::InvalidParameter,
                          "Cannot declare field " + name + " while dataset " + Name + " is open");
    if (FindField(name))
        throw EngineError(code::InvalidParameter,
                          "Field " + name + " is declared twice in dataset " + Name);
    auto field = std::make_unique<TField>(*this, name, type, size, kind);
    field->index_ = static_cast<int>(fields_.size());
    if (kind == fkData)
        declaredFields_ = true;
    fields_.push_back(std::move(field));
    return *fields_.back();
}

TField* TDataSet::FindField(const std::string& name) {
    for (auto& field : fields_)
        if (equalsIgnoreCase(field->FieldName(), name))
            return field.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) {
    if (TField* field = FindField(name))
        return *field;
    throw EngineError(code::NotFound, Name + ": field '" + name + "' not found");
}

void TDataSet::bindFields() {
    const FieldList& cols = columns();
    if (!declaredFields_) {
        // Default fields, one per column, ahead of the declared derived fields.
        std::vector<std::unique_ptr<TField>> derived;
        for (auto& field : fields_)
            if (field->FieldKind() != fkData)
                derived.push_back(std::move(field));
        fields_.clear();
        for (const FieldDef& def : cols) {
            auto field =
                std::make_unique<TField>(*this, def.name, fieldTypeOf(def), def.length, fkData);
            fields_.push_back(std::move(field));
        }
        for (auto& field : derived)
            fields_.push_back(std::move(field));
    }
    int slot = 0;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        TField& field = *fields_[i];
        field.index_ = static_cast<int>(i);
        if (field.FieldKind() == fkData) {
            field.fieldNo_ = findField(cols, field.FieldName());
            if (field.fieldNo_ < 0)
                throw EngineError(code::NotFound, Name + ": field '" + field.FieldName() +
                                                      "' not found in the table");
            field.decimals_ = cols[field.fieldNo_].decimals;
        } else {
            field.calcSlot_ = slot++;
        }
    }
    derived_.assign(slot, Value());
}

void TDataSet::Open() {
    if (Active())
        return;
    engineCall([&] {
        internalOpen();
        try {
            bindFields();
        } catch (...) {
            internalClose();
            throw;
        }
        keyBuffer_.assign(columns().size(), Value());
    });
    modified_ = false;
    setState(dsBrowse);
    First();
    if (AfterOpen)
        AfterOpen(*this);
}

void TDataSet::Close() {
    if (!Active())
        return;
    if (BeforeClose)
        BeforeClose(*this);
    engineCall([&] { internalClose(); });
    hasRow_ = false;
    current_.clear();
    buffer_.clear();
    modified_ = false;
    eof_ = bof_ = true;
    if (!declaredFields_)
        fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                     [](const auto& f) { return f->FieldKind() == fkData; }),
                      fields_.end());
    setState(dsInactive);
}

void TDataSet::setState(TDataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    for (TDataSource* source : std::vector<TDataSource*>(sources_))
        source->datasetStateChanged();
}

void TDataSet::dataChanged(TField* field) {
    for (TDataSource* source : std::vector<TDataSource*>(sources_))
        source->datasetDataChanged(field);
}

void TDataSet::attach(TDataSource* source) {
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void TDataSet::detach(TDataSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

const Record& TDataSet::displayed() const {
    if (state_ == dsEdit || state_ == dsInsert)
        return buffer_;
    if (state_ == dsSetKey)
        return keyBuffer_;
    if (state_ == dsCalcFields && calcRow_)
        return *calcRow_;
    return current_;
}

Value TDataSet::fieldValue(const TField& field) const {
    if (!Active())
        return Value();
    if (field.fieldNo_ >= 0) {
        const Record& row = displayed();
        if (row.empty() || (state_ == dsBrowse && !hasRow_))
            return Value();
        return row[field.fieldNo_];
    }
    if (field.calcSlot_ >= 0 && static_cast<std::size_t>(field.calcSlot_) < derived_.size())
        return derived_[field.calcSlot_];
    return Value();
}

void TDataSet::storeFieldValue(const TField& field, const Value& value) {
    requireActive("set a field");
    if (field.calcSlot_ >= 0) {
        derived_[field.calcSlot_] = value;
        return;
    }
    if (state_ == dsSetKey) {
        keyBuffer_[field.fieldNo_] = value;
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert)
        throw EngineError(code::InvalidParameter,
                          Name + ": dataset not in edit or insert mode (field " +
                              field.FieldName() + ")");
    if (field.ReadOnly)
        throw EngineError(code::ReadOnly, Name + ": field " + field.FieldName() + " is read-only");
    buffer_[field.fieldNo_] = value;
    modified_ = true;
    computeDerivedFields();
    dataChanged(const_cast<TField*>(&field));
}

void TDataSet::computeDerivedFields() {
    if (derived_.empty())
        return;
    std::fill(derived_.begin(), derived_.end(), Value());
    if (!hasRow_ && state_ == dsBrowse)
        return;
    for (auto& field : fields_) {
        if (field->FieldKind() != fkLookup || !field->LookupDataSet)
            continue;
        Record keys;
        std::string names = field->KeyFields;
        std::size_t start = 0;
        while (start <= names.size()) {
            std::size_t end = names.find(';', start);
            if (end == std::string::npos)
                end = names.size();
            keys.push_back(FieldByName(trim(names.substr(start, end - start))).AsValue());
            start = end + 1;
        }
        derived_[field->calcSlot_] =
            field->LookupDataSet->Lookup(field->LookupKeyFields, keys, field->LookupResultField);
    }
    if (OnCalcFields) {
        TDataSetState saved = state_;
        // A row being edited or inserted is calculated from its typed values.
        calcRow_ = (saved == dsEdit || saved == dsInsert) ? &buffer_ : &current_;
        state_ = dsCalcFields;
        try {
            OnCalcFields(*this);
        } catch (...) {
            state_ = saved;
            throw;
        }
        state_ = saved;
    }
}

void TDataSet::rowChanged() {
    computeDerivedFields();
    dataChanged();
}

void TDataSet::fireScroll() {
    rowChanged();
    if (AfterScroll)
        AfterScroll(*this);
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    for (TDataSource* source : std::vector<TDataSource*>(sources_))
        source->datasetUpdateRecord();
}

void TDataSet::CheckBrowseMode() {
    requireActive("move");
    if (state_ == dsEdit || state_ == dsInsert) {
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
    } else if (state_ == dsSetKey) {
        leaveSetKey();
    }
}

void TDataSet::First() {
    CheckBrowseMode();
    hasRow_ = engineCall([&] { return internalFirst(); });
    setEofBof(!hasRow_, true);
    fireScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    hasRow_ = engineCall([&] { return internalLast(); });
    setEofBof(true, !hasRow_);
    fireScroll();
}

void TDataSet::Next() {
    CheckBrowseMode();
    if (!hasRow_) {
        setEofBof(true, bof_);
        return;
    }
    if (engineCall([&] { return internalNext(); })) {
        setEofBof(false, false);
        fireScroll();
    } else {
        setEofBof(true, false);
    }
}

void TDataSet::Prior() {
    CheckBrowseMode();
    if (!hasRow_) {
        setEofBof(eof_, true);
        return;
    }
    if (engineCall([&] { return internalPrior(); })) {
        setEofBof(false, false);
        fireScroll();
    } else {
        setEofBof(false, true);
    }
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    hasRow_ = engineCall([&] {
        internalRefresh();
        return internalResync() || internalFirst();
    });
    setEofBof(!hasRow_, !hasRow_);
    rowChanged();
}

void TDataSet::Insert() {
    CheckBrowseMode();
    if (!canModify())
        throw EngineError(code::ReadOnly, readOnlyMessage());
    buffer_.assign(columns().size(), Value());
    derived_.assign(derived_.size(), Value());
    setState(dsInsert);
    if (OnNewRecord)
        OnNewRecord(*this);
    modified_ = false;
    computeDerivedFields();
    dataChanged();
}

void TDataSet::Edit() {
    requireActive("edit");
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (!hasRow_) {
        Insert();
        return;
    }
    if (!canModify())
        throw EngineError(code::ReadOnly, readOnlyMessage());
    // Edit the row as it is now on disk, not as it was when it was read.
    hasRow_ = engineCall([&] { return internalResync(); });
    if (!hasRow_) {
        rowChanged();
        throw EngineError(code::NotFound, Name + ": the row was deleted by another user");
    }
    buffer_ = current_;
    setState(dsEdit);
    modified_ = false;
    dataChanged();
}

void TDataSet::Post() {
    requireActive("post");
    if (state_ == dsSetKey) {
        leaveSetKey();
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    UpdateRecord();
    if (BeforePost)
        BeforePost(*this);
    bool inserting = state_ == dsInsert;
    engineCall([&] { internalPost(inserting, buffer_); });
    hasRow_ = true;
    modified_ = false;
    buffer_.clear();
    setState(dsBrowse);
    setEofBof(false, false);
    rowChanged();
    if (AfterPost)
        AfterPost(*this);
}

void TDataSet::Cancel() {
    requireActive("cancel");
    if (state_ == dsSetKey) {
        leaveSetKey();
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    buffer_.clear();
    modified_ = false;
    setState(dsBrowse);
    hasRow_ = hasRow_ && engineCall([&] { return internalResync(); });
    rowChanged();
}

void TDataSet::Delete() {
    requireActive("delete");
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (!hasRow_)
        throw EngineError(code::NotFound, Name + ": there is no row to delete");
    if (!canModify())
        throw EngineError(code::ReadOnly, readOnlyMessage());
    if (BeforeDelete)
        BeforeDelete(*this);
    buffer_.clear();
    modified_ = false;
    setState(dsBrowse);
    hasRow_ = engineCall([&] { return internalDelete(); });
    setEofBof(!hasRow_, !hasRow_);
    rowChanged();
    if (AfterDelete)
        AfterDelete(*this);
}

void TDataSet::enterSetKey() {
    CheckBrowseMode();
    stateBeforeKey_ = state_;
    keyBuffer_.assign(columns().size(), Value());
    setState(dsSetKey);
}

void TDataSet::leaveSetKey() {
    if (state_ == dsSetKey)
        setState(stateBeforeKey_);
}

Value TDataSet::Lookup(const std::string& keyFields, const Record&,
                       const std::string& resultField) {
    throw EngineError(code::NotSupported, Name + ": cannot look up " + resultField + " by " +
                                              keyFields + "; only a table searches its rows");
}

} // namespace engine
