#include "DictionaryRows.h"

#include "engine/dataset/Table.h"

namespace support {

namespace {

void openDictionaryTable(engine::TTable& table, const std::filesystem::path& system,
                         const char* name) {
    table.SetDatabaseName(system.string());
    table.SetTableName(name);
    table.Open();
}

template <class Value>
void set(engine::TTable& table, const char* column, const std::optional<Value>& value) {
    if (!value)
        return;
    engine::TField& field = table.FieldByName(column);
    if constexpr (std::is_same_v<Value, std::string>)
        field.SetAsString(*value);
    else if constexpr (std::is_same_v<Value, int>)
        field.SetAsInteger(*value);
    else if constexpr (std::is_same_v<Value, bool>)
        field.SetAsBoolean(*value);
    else
        field.SetAsDateTime(*value);
}

} // namespace

BaseRow tableRow(const std::string& name, const std::string& description,
                 const std::string& application) {
    BaseRow row;
    row.kind = "A";
    row.table = name;
    row.description = description;
    row.application = application;
    row.tableType = "0";
    row.copyData = false;
    return row;
}

BaseRow fieldRow(const std::string& table, int number, const std::string& name,
                 const std::string& description, const std::string& type, int size) {
    BaseRow row;
    row.kind = "B";
    row.table = table;
    row.number = number;
    row.name = name;
    row.description = description;
    row.type = type;
    row.size = size;
    row.copyData = false;
    return row;
}

BaseRow tagRow(const std::string& table, const std::string& name, const std::string& key,
               int keys) {
    BaseRow row;
    row.kind = "C";
    row.table = table;
    row.name = name;
    row.description = key;
    row.size = keys;
    row.copyData = false;
    return row;
}

void addRows(const std::filesystem::path& system, const std::vector<BaseRow>& rows) {
    engine::TTable base;
    openDictionaryTable(base, system, "T_BASE");
    for (const BaseRow& row : rows) {
        base.Insert();
        base.FieldByName("TMTIPO").SetAsString(row.kind);
        base.FieldByName("TMNPFM").SetAsString(row.table);
        set(base, "TMNFLD", row.name);
        set(base, "TMDESC", row.description);
        set(base, "TMTFLD", row.type);
        set(base, "TMDCND", row.condition);
        set(base, "TMSUFF", row.application);
        set(base, "TMTBAS", row.tableType);
        set(base, "TMNRIG", row.number);
        set(base, "TMSIZE", row.size);
        set(base, "TMDECS", row.decimals);
        set(base, "TMDATA", row.date);
        set(base, "TMBCAR", row.copyData);
        base.Post();
    }
}

void addRow(const std::filesystem::path& system, const BaseRow& row) {
    addRows(system, {row});
}

void addRow(const std::filesystem::path& system, const ApplicationRow& row) {
    engine::TTable prod;
    openDictionaryTable(prod, system, "T_PROD");
    prod.Insert();
    prod.FieldByName("TMSUFF").SetAsString(row.code);
    prod.FieldByName("TMDESC").SetAsString(row.name);
    set(prod, "TMBIST", row.installed);
    set(prod, "TMDIST", row.installedOn);
    prod.Post();
}

} // namespace support
