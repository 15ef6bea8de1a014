#include "engine/drivers/Tables.h"

#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/base/Text.h"
#include "engine/dbase/DbfDriver.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"
#include "engine/paradox/ParadoxDriver.h"

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

// A table's directory that is a file is named as such, not taken for a missing table.
void requireDirectoryOf(const fs::path& path) {
    fs::path dir = path.parent_path();
    std::error_code ec;
    if (!dir.empty() && fs::status(dir, ec).type() == fs::file_type::regular)
        throw EngineError(code::BadPath, "Cannot use table " + path.string() + ": " + dir.string() +
                                             " is a file, not a directory");
}

} // namespace

TableKind tableKindOf(const fs::path& path) {
    return equalsIgnoreCase(path.extension().string(), ".DB") ? TableKind::Paradox
                                                              : TableKind::DBase;
}

std::unique_ptr<TableFile> openTable(const fs::path& path, const OpenOptions& options) {
    return engineBoundary(path.native(), [&] {
        requirePlainTableName(path);
        requireDirectoryOf(path);
        fs::path file = located(path);
        if (tableKindOf(file) == TableKind::Paradox)
            return paradox::openTable(file, options);
        return dbase::openTable(file, options);
    });
}

std::unique_ptr<TableFile> createTable(const fs::path& path, const FieldList& fields,
                                       bool overwrite) {
    return engineBoundary(path.native(), [&] {
        requirePlainTableName(path);
        requireDirectoryOf(path);
        DefinitionProblems problems = checkFields(tableKindOf(path), fields);
        if (!problems.empty())
            throw EngineError(problems.front().code,
                              "Table " + path.string() + ": " + problems.front().text);
        if (tableExists(path)) {
            if (!overwrite)
                throw EngineError(code::FileExists, "Table " + path.string() + " already exists");
            deleteTable(path);
        }
        if (tableKindOf(path) == TableKind::Paradox)
            return paradox::createTable(path, fields);
        return dbase::createTable(path, fields);
    });
}

void deleteTable(const fs::path& path) {
    engineBoundary(path.native(), [&] {
        requirePlainTableName(path);
        requireDirectoryOf(path);
        fs::path file = located(path);
        if (tableKindOf(file) == TableKind::Paradox)
            paradox::deleteTable(file);
        else
            dbase::deleteTable(file);
    });
}

void renameTable(const fs::path& from, const fs::path& to) {
    engineBoundary(from.native(), [&] {
        requirePlainTableName(from);
        requirePlainTableName(to);
        requireDirectoryOf(from);
        fs::path file = located(from);
        if (tableKindOf(file) == TableKind::Paradox)
            paradox::renameTable(file, to);
        else
            dbase::renameTable(file, to);
    });
}

std::vector<fs::path> tableFiles(const fs::path& path) {
    return engineBoundary(path.native(), [&] {
        requirePlainTableName(path);
        if (tableKindOf(path) == TableKind::Paradox)
            return paradox::tableFiles(path);
        return dbase::tableFiles(path);
    });
}

void nameCompanions(const fs::path& path) {
    engineBoundary(path.native(), [&] {
        if (tableKindOf(path) == TableKind::DBase)
            dbase::nameCompanions(located(path));
    });
}

DefinitionProblems checkFields(TableKind kind, const FieldList& fields) {
    DefinitionProblems problems;
    for (const FieldDef& field : fields) {
        try {
            requirePlainName(field.name, "Field name");
        } catch (const EngineError& error) {
            problems.push_back({field.name, error.what(), error.code()});
        }
    }
    DefinitionProblems format =
        kind == TableKind::Paradox ? paradox::fieldProblems(fields) : dbase::fieldProblems(fields);
    problems.insert(problems.end(), format.begin(), format.end());
    return problems;
}

DefinitionProblems checkIndexes(TableKind kind, const FieldList& fields,
                                const std::vector<IndexDef>& indexes) {
    if (kind == TableKind::DBase)
        return dbase::indexProblems(fields, indexes);
    DefinitionProblems problems;
    for (const IndexDef& index : indexes) {
        DefinitionProblems found = paradox::indexProblems(fields, index);
        problems.insert(problems.end(), found.begin(), found.end());
    }
    return problems;
}

bool tableExists(const fs::path& path) {
    return engineBoundary(path.native(), [&] { return fileExists(located(path)); });
}

} // namespace engine
