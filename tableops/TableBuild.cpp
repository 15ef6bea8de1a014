#include "tableops/TableBuild.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

namespace operations {

using engine::EngineError;

namespace {

const std::string SavedPrefix = "$$";

engine::TTableType datasetType(int tableKind) {
    return tableKind == 1 ? engine::ttParadox : engine::ttDBase;
}

engine::TableKind engineKind(int tableKind) {
    return tableKind == 1 ? engine::TableKind::Paradox : engine::TableKind::DBase;
}

void closeAndName(engine::TTable& table, const std::string& name, int tableKind) {
    table.Close();
    table.SetTableName(name);
    table.SetTableType(datasetType(tableKind));
}

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

void TableType::setFromCode(const std::string& code) {
    if (code.empty())
        return;
    if (code[0] == '0')
        *this = {"DBASE", ".DBF", 0};
    else if (code[0] == '1')
        *this = {"PARADOX", ".DB", 1};
}

int fieldTypeCode(const std::string& letter, int tableKind) {
    static const struct {
        char letter;
        int dbase, paradox;
    } types[] = {{'C', 0x201, 0x101}, {'N', 0x202, 0x102}, {'D', 0x205, 0x104},
                 {'L', 0x204, 0x10E}, {'M', 0x203, 0x106}, {'O', 0x208, 0x109}};
    if (letter.empty())
        return 0;
    for (const auto& type : types)
        if (type.letter == letter[0])
            return tableKind == 1 ? type.paradox : type.dbase;
    return 0;
}

TableBuild::TableBuild(TDm_Vadem& dataModule, std::string workDir)
    : dm_(dataModule), workDir_(std::move(workDir)) {}

void TableBuild::step(BuildStep reached) {
    if (OnStep)
        OnStep(reached);
}

bool TableBuild::exists(const std::string& file) const {
    return engine::tableExists(workDir_ + file);
}

InexactValues TableBuild::run(const std::string& table, const TableType& type) {
    selectRows(table);
    // Every descriptor is checked before the old table is touched, so a
    // dictionary the engine cannot build from leaves the table as it was.
    engine::TableDescription description{table, type.DriverName, fieldDescriptors(table, type)};

    std::string file = table + type.FileExt;
    std::string saved = SavedPrefix + file;
    bool hasTable = exists(file);
    if (exists(saved) && hasTable)
        throw EngineError(engine::code::Interrupted,
                          "Table " + workDir_ + file + " and the saved table " + workDir_ + saved +
                              " hold an interrupted update: the old rows are still in " + saved +
                              ". Move them into " + file +
                              " or remove one of the two tables, "
                              "then build " +
                              table + " again");
    if (hasTable) {
        dm_.tmDBase.RenameTable(table, type.DriverName, SavedPrefix + table);
        step(BuildStep::Renamed);
    }

    dm_.tmDBase.CreateTable(description, true);
    step(BuildStep::Created);
    int indexes = addIndexes(type);

    InexactValues inexact{table, {}};
    if (exists(saved))
        inexact = moveSavedRows(table, type);
    if (indexes > 0) {
        regenerate(table, type);
        step(BuildStep::Regenerated);
    }
    return inexact;
}

void TableBuild::selectRows(const std::string& table) {
    applyRange(dm_.DbFld, table, "TMNRIG", engine::Value(), engine::Value(std::int64_t{999}));
    applyRange(dm_.Index, table, "TMNFLD", engine::Value(std::string()),
               engine::Value(std::string("zzz")));
}

std::vector<engine::FieldDescriptor> TableBuild::fieldDescriptors(const std::string& table,
                                                                  const TableType& type) {
    std::vector<engine::FieldDescriptor> fields;
    engine::TTable& rows = dm_.DbFld;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        engine::FieldDescriptor field;
        field.number = static_cast<int>(fields.size()) + 1;
        field.name = dm_.DbFldTMNFLD->AsString();
        field.type = fieldTypeCode(dm_.DbFldTMTFLD->AsString(), type.TableKind);
        field.units1 = static_cast<int>(dm_.DbFldTMSIZE->AsInteger());
        field.units2 = static_cast<int>(dm_.DbFldTMDECS->AsInteger());
        try {
            engine::TDatabase::fieldDefOf(field, engineKind(type.TableKind));
        } catch (const EngineError& error) {
            throw EngineError(error.code(), "Table " + table + ": " + error.what());
        }
        fields.push_back(field);
    }
    if (fields.size() > static_cast<std::size_t>(engine::MaxTableFields))
        throw EngineError(engine::code::TooManyFields,
                          "Table " + table + " has " + std::to_string(fields.size()) +
                              " field rows; a table holds at most " +
                              std::to_string(engine::MaxTableFields) + " fields");
    return fields;
}

int TableBuild::addIndexes(const TableType& type) {
    engine::TTable& rows = dm_.Index;
    engine::TTable& target = dm_.tmTable;
    int count = 0;
    for (rows.First(); !rows.Eof(); rows.Next(), ++count) {
        std::string name = rows.FieldByName("TMNFLD").AsString();
        std::string key = rows.FieldByName("TMDESC").AsString();
        closeAndName(target, rows.FieldByName("TMNPFM").AsString(), type.TableKind);
        if (type.TableKind == 1) {
            target.AddIndex(name, key, count == 0 ? engine::ixPrimary : engine::ixCaseInsensitive);
        } else {
            engine::IndexDescriptor index;
            index.tagName = name;
            index.keyExpression = key;
            index.condition = rows.FieldByName("TMDCND").AsString();
            index.subset = !index.condition.empty();
            index.firstKeyField = static_cast<int>(rows.FieldByName("TMSIZE").AsInteger());
            target.Open();
            dm_.tmDBase.AddIndex(target, index);
            target.Close();
        }
        step(BuildStep::IndexAdded);
    }
    return count;
}

InexactValues TableBuild::moveSavedRows(const std::string& table, const TableType& type) {
    closeAndName(dm_.tmDmmys, SavedPrefix + table, type.TableKind);
    closeAndName(dm_.tmTable, table, type.TableKind);
    engine::TBatchMove& move = dm_.tmMoves;
    move.OnProgress = [this, &move](std::uint64_t moved) {
        step(BuildStep::Moving);
        if (OnRows)
            OnRows(moved, move.RowsToMove);
    };
    try {
        move.Execute();
    } catch (...) {
        move.OnProgress = nullptr;
        throw;
    }
    move.OnProgress = nullptr;
    step(BuildStep::Moved);
    dm_.tmDBase.DeleteTable(SavedPrefix + table, type.DriverName);
    step(BuildStep::SavedDeleted);
    return {table, move.FieldProblems};
}

void TableBuild::regenerate(const std::string& table, const TableType& type) {
    engine::TTable& target = dm_.tmTable;
    closeAndName(target, table, type.TableKind);
    target.Open();
    dm_.tmDBase.RegenerateIndexes(target);
    target.Close();
}

} // namespace operations
