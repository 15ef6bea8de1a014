#include "shell/BaseRestore.h"

#include "dictionary/Layouts.h"
#include "engine/EngineError.h"
#include "engine/FileNames.h"
#include "engine/Tables.h"
#include "engine/Text.h"
#include "engine/config/Engine.h"

#include <optional>

namespace fs = std::filesystem;

namespace {

// A file of the floppy, found case-insensitively; nothing when absent.
std::optional<fs::path> onFloppy(const fs::path& floppy, const std::string& name) {
    fs::path file = engine::findFile(floppy, name);
    std::error_code ec;
    if (fs::is_regular_file(file, ec))
        return file;
    return std::nullopt;
}

// Refuses a floppy table that cannot be read whole or has another layout.
// Returns whether its files agree with each other (its index is sound).
bool checkFloppyTable(const fs::path& file, const engine::FieldList& layout) {
    try {
        auto table = engine::openTable(file, {false, true});
        if (!dictionary::sameLayout(table->fields(), layout))
            throw engine::EngineError(engine::code::FileCorrupt,
                                      "does not have the layout of the dictionary table");
        for (engine::RowId row = 1; row <= table->rowCount(); ++row)
            table->read(row);
        return table->check().empty();
    } catch (const engine::EngineError& error) {
        throw engine::EngineError(error.code(),
                                  "The dictionary was not restored: " + file.string() +
                                      " is not a usable dictionary table (" + error.what() + ")");
    }
}

// Copies `from` over `to` by way of a temporary file beside `to`.
void replaceFile(const fs::path& from, const fs::path& to) {
    fs::path temporary = to;
    temporary += ".restoring";
    std::error_code ec;
    fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temporary, to, ec);
    if (ec) {
        fs::remove(temporary);
        throw engine::EngineError(engine::code::IoError, "Cannot copy " + from.string() + " to " +
                                                             to.string() + ": " + ec.message());
    }
}

// Rebuilds a local table's production index from its rows: the tags the
// index declares when it can be read, else the dictionary's own tags.
void rebuildIndex(const fs::path& table, const std::vector<engine::IndexDef>& tags) {
    try {
        engine::openTable(table, {true, false})->reindex();
        return;
    } catch (const engine::EngineError&) {
    }
    fs::remove(engine::companionFile(table, ".MDX"));
    auto file = engine::openTable(table, {true, false});
    for (const engine::IndexDef& tag : tags)
        file->addIndex(tag);
}

// Copies one dictionary table (DBF and MDX, each when present) and keeps the
// local pair consistent: the index is rebuilt when only one of the two came,
// or when the floppy's index did not agree with its table.
void copyPair(const fs::path& floppy, const fs::path& local, const std::string& name,
              const std::vector<engine::IndexDef>& tags, bool floppyIndexSound) {
    auto dbf = onFloppy(floppy, name + ".DBF");
    auto mdx = onFloppy(floppy, name + ".MDX");
    fs::path localDbf = engine::findFile(local, name + ".DBF");
    fs::path localMdx = engine::companionFile(localDbf, ".MDX");
    if (dbf)
        replaceFile(*dbf, localDbf);
    if (mdx)
        replaceFile(*mdx, localMdx);
    bool rebuild = dbf.has_value() != mdx.has_value() || (dbf && !floppyIndexSound);
    if (rebuild && fs::exists(localDbf))
        rebuildIndex(localDbf, tags);
}

bool anyLocalProd(const fs::path& local) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(local, ec))
        if (engine::equalsIgnoreCase(entry.path().stem().string(), "T_PROD"))
            return true;
    return false;
}

void pointAt(engine::TTable& table, const std::string& database) {
    table.Close();
    table.SetTableType(engine::ttDBase);
    table.SetDatabaseName(database);
    table.SetTableName("T_PROD");
    table.SetIndexName("PROD00");
}

void pointBack(engine::TTable& table) {
    table.Close();
    table.SetDatabaseName("DBZET");
    table.SetTableName("");
    table.SetIndexName("");
}

// Adds the floppy's applications that the local list lacks.
void mergeApplications(TDm_Vadem& module) {
    pointAt(module.tmDmmys, "A:");
    module.tmDmmys.Open();
    pointAt(module.tmTable, module.DictPath);
    module.tmTable.Open();
    engine::TTable& from = module.tmDmmys;
    engine::TTable& to = module.tmTable;
    for (from.First(); !from.Eof(); from.Next()) {
        std::string code = from.FieldByName("TMSUFF").AsString();
        if (to.FindKey({engine::Value(code)}))
            continue;
        to.Insert();
        for (const char* name : {"TMDESC", "TMNLIB", "TMNPGM", "TMSUFF"})
            to.FieldByName(name).SetAsString(from.FieldByName(name).AsString());
        to.FieldByName("TMDIST").SetAsString("");
        to.FieldByName("TMBIST").SetAsBoolean(false);
        to.Post();
    }
}

} // namespace

fs::path floppyDirectory() {
    engine::Engine session;
    if (std::uint16_t result = session.init(); result != engine::code::Success)
        throw engine::EngineError(result, "The engine configuration " +
                                              session.configFile().string() + " cannot be read");
    return session.resolvePath("A:");
}

void restoreBaseTables(TDm_Vadem& module) {
    fs::path floppy = floppyDirectory();
    fs::path local(module.DictPath);
    bool localProd = anyLocalProd(local);

    // Every floppy table is checked before anything changes.
    bool baseSound = true, prodSound = true;
    if (auto base = onFloppy(floppy, "T_BASE.DBF"))
        baseSound = checkFloppyTable(*base, dictionary::baseLayout());
    if (auto prod = onFloppy(floppy, "T_PROD.DBF"))
        prodSound = checkFloppyTable(*prod, dictionary::prodLayout());

    // The files are replaced under the datasets: they read them afresh.
    for (engine::TDataSet* dataSet : module.DictionaryDataSets)
        dataSet->Close();
    module.ResetDictionaryWindows();

    copyPair(floppy, local, "T_BASE", dictionary::baseTags(), baseSound);
    try {
        if (localProd)
            mergeApplications(module);
        else
            copyPair(floppy, local, "T_PROD", dictionary::prodTags(), prodSound);
    } catch (...) {
        pointBack(module.tmDmmys);
        pointBack(module.tmTable);
        throw;
    }
    pointBack(module.tmDmmys);
    pointBack(module.tmTable);
}
