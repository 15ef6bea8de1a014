#include "engine/dataset/Database.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/base/Text.h"
#include "engine/dataset/Location.h"
#include "engine/dataset/OpenTables.h"
#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FileNames.h"

namespace engine {

namespace fs = std::filesystem;

void TDatabase::Open() {
    engineBoundary(DatabaseName, [&] {
        std::string location = AliasName.empty() ? DatabaseName : AliasName;
        directory_ = resolveLocation(location);
        if (directory_.empty())
            throw EngineError(code::BadPath,
                              "Database " + location + " has no directory: its alias has no path");
        std::error_code ec;
        if (!fs::is_directory(directory_, ec))
            throw EngineError(
                code::BadPath,
                "Directory " + directory_.string() + " of database " + location +
                    (fs::exists(directory_, ec) ? " is not a directory" : " does not exist"));
        connected_ = true;
    });
}

void TDatabase::Close() {
    connected_ = false;
}

void TDatabase::requireConnected() const {
    if (!connected_)
        throw EngineError(code::NotActive, "Database " + DatabaseName + " is not connected");
}

std::string TDatabase::WorkingDirectory() const {
    requireConnected();
    std::string dir = directory_.string();
    if (dir.empty() || dir.back() != fs::path::preferred_separator)
        dir += fs::path::preferred_separator;
    return dir;
}

fs::path TDatabase::tablePath(const std::string& name, const std::string& driver) const {
    fs::path file = tableInDirectory(directory_, name);
    if (!file.has_extension())
        file += equalsIgnoreCase(driver, "PARADOX") ? ".DB" : ".DBF";
    return file;
}

void TDatabase::RenameTable(const std::string& oldName, const std::string& driver,
                            const std::string& newName) {
    engineBoundary(oldName, [&] {
        requireConnected();
        fs::path from = tablePath(oldName, driver);
        if (isOpenHere(from))
            throw EngineError(code::Locked,
                              "Table " + from.string() + " is open and cannot be renamed");
        renameTable(from, tablePath(newName, driver));
    });
}

FieldDef TDatabase::fieldDefOf(const FieldDescriptor& d, TableKind kind) {
    FieldDef def;
    def.name = d.name;
    def.length = d.units1;
    def.decimals = d.units2;
    auto fixed = [&](FieldType type, int length) {
        def.type = type;
        def.length = length;
        def.decimals = 0;
    };
    bool dbase = kind == TableKind::DBase;
    switch (d.type) {
    case 0x201:
        def.type = FieldType::Character;
        def.decimals = 0;
        break;
    case 0x202:
        def.type = FieldType::Numeric;
        break;
    case 0x203:
        fixed(FieldType::Memo, 10);
        break;
    case 0x204:
        fixed(FieldType::Logical, 1);
        break;
    case 0x205:
        fixed(FieldType::Date, 8);
        break;
    case 0x208:
        fixed(FieldType::Ole, 10);
        break;
    case 0x101:
        def.type = FieldType::Character;
        def.decimals = 0;
        break;
    case 0x102:
        fixed(FieldType::Double, 8);
        break;
    case 0x104:
        fixed(FieldType::Date, 4);
        break;
    case 0x106:
        def.type = FieldType::Memo;
        def.decimals = 0;
        if (def.length <= 0)
            def.length = 10;
        break;
    case 0x109:
        def.type = FieldType::Ole;
        def.decimals = 0;
        if (def.length <= 0)
            def.length = 10;
        break;
    case 0x10E:
        fixed(FieldType::Logical, 1);
        break;
    default:
        throw EngineError(code::InvalidParameter,
                          "Field " + d.name + ": invalid field type " + std::to_string(d.type));
    }
    bool typeMatches = dbase ? (d.type & 0xF00) == 0x200 : (d.type & 0xF00) == 0x100;
    if (!typeMatches)
        throw EngineError(code::InvalidParameter,
                          "Field " + d.name + ": type " + std::to_string(d.type) + " is not a " +
                              (dbase ? "dBase" : "Paradox") + " field type");
    return def;
}

void TDatabase::CreateTable(const TableDescription& description, bool overwrite) {
    engineBoundary(description.name, [&] {
        requireConnected();
        if (description.fields.size() > static_cast<std::size_t>(MaxTableFields))
            throw EngineError(code::TooManyFields,
                              "Table " + description.name + " has " +
                                  std::to_string(description.fields.size()) + " fields; at most " +
                                  std::to_string(MaxTableFields) + " are allowed");
        fs::path path = tablePath(description.name, description.driver);
        TableKind kind = tableKindOf(path);
        FieldList fields;
        for (const FieldDescriptor& d : description.fields)
            fields.push_back(fieldDefOf(d, kind));
        if (isOpenHere(path))
            throw EngineError(code::Locked,
                              "Table " + path.string() + " is open and cannot be replaced");
        createTable(path, fields, overwrite);
    });
}

void TDatabase::DeleteTable(const std::string& name, const std::string& driver) {
    engineBoundary(name, [&] {
        requireConnected();
        fs::path path = tablePath(name, driver);
        if (isOpenHere(path))
            throw EngineError(code::Locked,
                              "Table " + path.string() + " is open and cannot be deleted");
        deleteTable(path);
    });
}

void TDatabase::AddIndex(TTable& table, const IndexDescriptor& index) {
    engineBoundary(table.TableName(), [&] {
        if (!table.Active() || !table.tableFile())
            throw EngineError(code::NotActive,
                              "Table " + table.TableName() + " must be open to add an index");
        IndexDef def;
        def.name = index.tagName;
        if (index.expression) {
            def.expression = index.keyExpression;
        } else {
            const FieldList& fields = table.tableFile()->fields();
            if (index.firstKeyField < 1 || index.firstKeyField > static_cast<int>(fields.size()))
                throw EngineError(code::InvalidParameter,
                                  "Index " + index.tagName + ": key field " +
                                      std::to_string(index.firstKeyField) + " does not exist");
            def.expression = fields[index.firstKeyField - 1].name;
        }
        if (index.subset)
            def.forCondition = index.condition;
        def.unique = index.unique;
        def.descending = index.descending;
        def.primary = index.primary;
        def.caseInsensitive = index.caseInsensitive;
        table.tableFile()->addIndex(def);
    });
}

void TDatabase::RegenerateIndexes(TTable& table) {
    engineBoundary(table.TableName(), [&] {
        if (!table.Active() || !table.tableFile())
            throw EngineError(code::NotActive, "Table " + table.TableName() +
                                                   " must be open to regenerate its indexes");
        table.tableFile()->reindex();
        callerCode([&] { table.Refresh(); });
    });
}

} // namespace engine
