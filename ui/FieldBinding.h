#pragma once

#include "ui/DataLink.h"

#include "engine/dataset/DataSet.h"

#include <string>

namespace ui {

// What a data-aware control is bound to: a data source and one of its
// dataset's fields, by name.
class FieldBinding {
public:
    void bind(engine::TDataSource* source, const std::string& fieldName) {
        fieldName_ = fieldName;
        link.setSource(source);
    }
    engine::TDataSource* source() const { return link.source(); }
    const std::string& fieldName() const { return fieldName_; }

    // The field while the source is enabled and its dataset open; else null.
    engine::TField* field() const {
        engine::TDataSource* src = link.source();
        if (!src || src->State() == engine::dsInactive || !src->DataSet())
            return nullptr;
        return src->DataSet()->FindField(fieldName_);
    }
    // True while the dataset takes typed values (AutoEdit is never used:
    // only the windows' buttons start an edit).
    bool editing() const {
        engine::TDataSource* src = link.source();
        auto state = src ? src->State() : engine::dsInactive;
        return (state == engine::dsEdit || state == engine::dsInsert) && field() &&
               !field()->ReadOnly && field()->FieldKind() == engine::fkData;
    }

    DataLink link;

private:
    std::string fieldName_;
};

} // namespace ui
