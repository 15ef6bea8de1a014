#include "engine/Tables.h"

#include "engine/EngineError.h"
#include "engine/FileNames.h"
#include "engine/TableDrivers.h"
#include "engine/Text.h"

namespace engine {

namespace fs = std::filesystem;

namespace {

fs::path located(const fs::path& path) {
    fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    return findFile(dir, path.filename().string());
}

void requirePlainTableName(const fs::path& path) {
    requirePlainName(path.filename().string(), "Table name");
}

} // namespace

TableKind tableKindOf(const fs::path& path) {
    return equalsIgnoreCase(path.extension().string(), ".DB") ? TableKind::Paradox
                                                              : TableKind::DBase;
}

std::unique_ptr<TableFile> openTable(const fs::path& path, const OpenOptions& options) {
    requirePlainTableName(path);
    fs::path file = located(path);
    if (tableKindOf(file) == TableKind::Paradox)
        return paradox::openTable(file, options);
    return dbase::openTable(file, options);
}

std::unique_ptr<TableFile> createTable(const fs::path& path, const FieldList& fields,
                                       bool overwrite) {
    requirePlainTableName(path);
    for (const FieldDef& field : fields)
        requirePlainName(field.name, "Field name");
    if (tableExists(path)) {
        if (!overwrite)
            throw EngineError(code::InvalidParameter, "Table " + path.string() + " already exists");
        deleteTable(path);
    }
    if (tableKindOf(path) == TableKind::Paradox)
        return paradox::createTable(path, fields);
    return dbase::createTable(path, fields);
}

void deleteTable(const fs::path& path) {
    requirePlainTableName(path);
    fs::path file = located(path);
    if (tableKindOf(file) == TableKind::Paradox)
        paradox::deleteTable(file);
    else
        dbase::deleteTable(file);
}

void renameTable(const fs::path& from, const fs::path& to) {
    requirePlainTableName(from);
    requirePlainTableName(to);
    fs::path file = located(from);
    if (tableKindOf(file) == TableKind::Paradox)
        paradox::renameTable(file, to);
    else
        dbase::renameTable(file, to);
}

bool tableExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(located(path), ec);
}

} // namespace engine
