#pragma once

#include "engine/dataset/DataSetTypes.h"
#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <cstdint>
#include <string>

namespace engine {

class TDataSet;

// One field of a dataset: a column of its table (fkData), or a value worked
// out per row (fkCalculated, fkLookup). Reads and writes go to the dataset's
// current row, its edit buffer or its key buffer, by the dataset's state.
class TField {
public:
    TField(TDataSet& dataSet, std::string name, TFieldType type, int size, TFieldKind kind);

    const std::string& FieldName() const { return name_; }
    // Rebinds a declared field to another column; only while the dataset is closed.
    void SetFieldName(const std::string& name);
    // A data field reads a column; a calculated one is bound to none. Like
    // the size, changed only while the dataset is closed.
    void SetFieldKind(TFieldKind kind);
    void SetSize(int size);
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }
    TFieldKind FieldKind() const { return kind_; }
    TDataSet& DataSet() const { return dataSet_; }
    int Index() const { return index_; }

    // Lookup definition: this dataset's KeyFields matched against
    // LookupKeyFields of LookupDataSet; the value is its LookupResultField.
    TDataSet* LookupDataSet = nullptr;
    std::string KeyFields;
    std::string LookupKeyFields;
    std::string LookupResultField;

    // Presentation settings read by the user-interface layer.
    std::string DisplayLabel;
    int DisplayWidth = 0;
    std::string DisplayFormat;
    std::string EditMask;
    bool Visible = true;
    bool ReadOnly = false;

    Value AsValue() const;
    bool IsNull() const { return AsValue().isNull(); }
    // Trailing blanks trimmed; numbers in their plain text form; dates as dd/mm/yyyy.
    std::string AsString() const;
    std::string Text() const { return AsString(); }
    std::int64_t AsInteger() const; // blank reads 0
    bool AsBoolean() const;         // blank reads false
    double AsFloat() const;         // blank reads 0
    Date AsDateTime() const;        // blank reads the zero date, 30/12/1899

    // Setters convert and check: a value the field cannot hold is an
    // EngineError(BadValue) naming the field, and nothing is stored.
    void SetValue(const Value& value);
    void SetAsString(const std::string& text); // "" empties the field
    void SetText(const std::string& text) { SetAsString(text); }
    void SetAsInteger(std::int64_t value);
    void SetAsBoolean(bool value);
    void SetAsFloat(double value);
    void SetAsDateTime(Date value);
    void Clear() { SetValue(Value()); }

private:
    friend class TDataSet;
    Value convert(const Value& value) const;
    [[noreturn]] void refuse(const std::string& what) const;

    TDataSet& dataSet_;
    std::string name_;
    TFieldType type_;
    int size_;
    TFieldKind kind_;
    int index_ = -1;    // position in the dataset's field list
    int fieldNo_ = -1;  // column of the table (fkData), else -1
    int calcSlot_ = -1; // slot in the calculated values (fkCalculated, fkLookup)
    int decimals_ = 0;
};

// The dataset field type of a table column.
TFieldType fieldTypeOf(const FieldDef& def);

} // namespace engine
