#include "tableops/TableDefinition.h"

#include "dictionary/Dm_Vadem.h"

namespace operations {

namespace {

// Selects the rows of one table on a dictionary dataset whose index is the
// table name followed by `second`.
void applyRange(engine::TTable& rows, const std::string& table, const char* second,
                const engine::Value& low, const engine::Value& high) {
    if (rows.Active())
        rows.Refresh();
    else
        rows.Open();
    rows.CancelRange();
    rows.SetRangeStart();
    rows.FieldByName("TMNPFM").SetAsString(table);
    rows.FieldByName(second).SetValue(low);
    rows.SetRangeEnd();
    rows.FieldByName("TMNPFM").SetAsString(table);
    rows.FieldByName(second).SetValue(high);
    rows.ApplyRange();
}

} // namespace

TableDefinition readDefinition(TDm_Vadem& dm, const std::string& table) {
    applyRange(dm.DbFld, table, "TMNRIG", engine::Value(), engine::Value(std::int64_t{999}));
    applyRange(dm.Index, table, "TMNFLD", engine::Value(std::string()),
               engine::Value(std::string("zzz")));
    TableDefinition definition{table, {}, {}};
    for (dm.DbFld.First(); !dm.DbFld.Eof(); dm.DbFld.Next())
        definition.fields.push_back({dm.DbFldTMNFLD->AsString(), dm.DbFldTMTFLD->AsString(),
                                     static_cast<int>(dm.DbFldTMSIZE->AsInteger()),
                                     static_cast<int>(dm.DbFldTMDECS->AsInteger())});
    engine::TTable& rows = dm.Index;
    for (rows.First(); !rows.Eof(); rows.Next())
        definition.indexes.push_back({rows.FieldByName("TMNFLD").AsString(),
                                      rows.FieldByName("TMDESC").AsString(),
                                      rows.FieldByName("TMDCND").AsString(),
                                      static_cast<int>(rows.FieldByName("TMSIZE").AsInteger())});
    return definition;
}

std::vector<engine::IndexDef> indexDefinitions(const std::vector<IndexRow>& rows, int tableKind) {
    std::vector<engine::IndexDef> indexes;
    for (const IndexRow& row : rows) {
        engine::IndexDef index;
        index.name = row.name;
        index.expression = row.key;
        if (tableKind == 1) {
            index.primary = indexes.empty();
            index.caseInsensitive = !index.primary;
        } else {
            index.forCondition = row.condition;
        }
        indexes.push_back(index);
    }
    return indexes;
}

} // namespace operations
