#include "restore/BaseRestore.h"

#include "dictionary/Layouts.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/config/Engine.h"
#include "engine/drivers/Tables.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FileNames.h"
#include "engine/files/LockHolders.h"
#include "restore/RestoreStaging.h"

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;
using engine::EngineError;

namespace {

constexpr std::string_view NotRestored = "The dictionary was not restored: ";

[[noreturn]] void refuse(std::uint16_t code, const std::string& why) {
    throw EngineError(code, std::string(NotRestored) + why);
}

// A file of the floppy, found case-insensitively; nothing when absent.
std::optional<fs::path> onFloppy(const fs::path& floppy, const std::string& name) {
    fs::path file = engine::findFile(floppy, name);
    std::error_code ec;
    if (fs::is_regular_file(file, ec))
        return file;
    return std::nullopt;
}

// What the check of a floppy table found.
struct FloppyTable {
    bool sound = true;     // its files agree with each other
    bool ourLayout = true; // its fields are ours, in our order and widths
};

// Reads a floppy table whole, read-only and shared (a floppy may be write
// protected, another program may read it too), and refuses it unless the
// dictionary can use it: our field names and types in any order and widths,
// every value fitting our field.
FloppyTable checkFloppyTable(const fs::path& file, const engine::FieldList& layout) {
    try {
        auto table = engine::openTable(file, {false, true});
        const engine::FieldList& fields = table->fields();
        if (std::string why = dictionary::layoutProblem(fields, layout); !why.empty())
            throw EngineError(engine::code::FileCorrupt,
                              "does not have the layout of the dictionary table: " + why);
        for (engine::RowId row = 1; row <= table->rowCount(); ++row) {
            engine::Record record = dictionary::inLayout(fields, table->read(row), layout);
            if (std::string why = dictionary::valueProblem(layout, record); !why.empty())
                throw EngineError(engine::code::BadValue,
                                  "record " + std::to_string(row) + ": " + why);
        }
        return {table->check().empty(), fields == layout};
    } catch (const EngineError& error) {
        if (error.code() == engine::code::IoError)
            refuse(error.code(), error.what());
        refuse(error.code(),
               file.string() + " is not a usable dictionary table (" + error.what() + ")");
    }
}

// A dictionary file of this workstation as the restore finds it.
struct LocalFile {
    std::optional<engine::BinaryFile> held; // held exclusively while it is replaced
    bool unreadable = false;                // there, but the user may not read it
};

// Holds a dictionary file of this workstation exclusively, so that no other
// program has it open while it is replaced; nothing when there is no file.
// A file the user may not read cannot be held, nor copied or merged: where
// the directory lets the restore replace it, it gives way to the floppy's.
LocalFile holdLocal(const fs::path& local, const std::string& name) {
    fs::path file = engine::findFile(local, name);
    std::error_code ec;
    if (!fs::exists(file, ec))
        return {};
    if (::access(file.c_str(), R_OK) != 0 && errno == EACCES && ::access(local.c_str(), W_OK) == 0)
        return {std::nullopt, true};
    try {
        return {
            engine::BinaryFile(file, engine::BinaryFile::Mode::Read, engine::LockMode::Exclusive)};
    } catch (const EngineError& error) {
        if (error.code() != engine::code::Locked)
            refuse(error.code(), error.what());
        refuse(error.code(), file.string() + " is in use by " + lockHolders(file) +
                                 "; close it there and restore again");
    }
}

// A local table that cannot serve (damaged, or unreadable) is kept aside
// and replaced by the floppy's; without one on the floppy nothing changes.
void replaceLocal(RestoreStaging& staging, const fs::path& floppy, const fs::path& local,
                  const std::string& name, const char* fault) {
    if (!onFloppy(floppy, name + ".DBF"))
        refuse(engine::code::FileCorrupt, engine::findFile(local, name + ".DBF").string() + " " +
                                              fault + " and drive A: has no " + name +
                                              ".DBF to take its place");
    staging.keepAside(name + ".DBF");
    staging.keepAside(name + ".MDX");
}

// Rebuilds a table's production index from its rows: the tags the index
// declares when it can be read, else the dictionary's own tags.
void rebuildIndex(const fs::path& table, const std::vector<engine::IndexDef>& tags) {
    try {
        engine::openTable(table, {true, false})->reindex();
        return;
    } catch (const EngineError&) {
    }
    fs::remove(engine::companionFile(table, ".MDX"));
    auto file = engine::openTable(table, {true, false});
    for (const engine::IndexDef& tag : tags)
        file->addIndex(tag);
}

// Refuses a staged table whose files still do not agree; `source` names it.
void checkStaged(const fs::path& staged, const fs::path& source) {
    std::vector<std::string> faults;
    try {
        faults = engine::openTable(staged, {false, true})->check();
    } catch (const EngineError& error) {
        faults.push_back(error.what());
    }
    if (!faults.empty())
        refuse(engine::code::FileCorrupt,
               source.string() + " is not a usable dictionary table (" + faults.front() + ")");
}

// Stages the live rows of a floppy table of another layout in ours, values
// carried by field name, with a new index of `tags`.
void stageInOurLayout(RestoreStaging& staging, const fs::path& dbf, const std::string& name,
                      const engine::FieldList& layout, const std::vector<engine::IndexDef>& tags) {
    auto source = engine::openTable(dbf, {false, true});
    auto table = engine::createTable(staging.directory() / (name + ".DBF"), layout, true);
    for (engine::RowId row = 1; row <= source->rowCount(); ++row)
        if (!source->isDeleted(row))
            table->append(dictionary::inLayout(source->fields(), source->read(row), layout));
    for (const engine::IndexDef& tag : tags)
        table->addIndex(tag);
    staging.adoptMode(name + ".DBF");
    staging.adoptMode(name + ".MDX");
}

// Stages one floppy table (DBF and MDX, each when present) so that the pair
// agrees and has our layout: a table of another layout is rewritten in ours;
// the index is rebuilt when only one of the two came, or when the floppy's
// index is missing, unreadable or does not agree with its table.
void stageFloppyPair(RestoreStaging& staging, const fs::path& floppy, const fs::path& local,
                     const std::string& name, const engine::FieldList& layout,
                     const std::vector<engine::IndexDef>& tags, FloppyTable checked) {
    auto dbf = onFloppy(floppy, name + ".DBF");
    auto mdx = onFloppy(floppy, name + ".MDX");
    if (!dbf && !mdx)
        return;
    fs::path staged = staging.directory() / (name + ".DBF");
    if (dbf && !checked.ourLayout) {
        stageInOurLayout(staging, *dbf, name, layout, tags);
        checkStaged(staged, *dbf);
        return;
    }
    fs::path localDbf = engine::findFile(local, name + ".DBF");
    std::optional<fs::path> table = dbf;
    if (!table && fs::exists(localDbf))
        table = localDbf;
    if (table)
        staging.copyIn(*table, name + ".DBF");
    bool keepIndex = dbf && mdx && checked.sound;
    if (mdx && (keepIndex || !dbf))
        staging.copyIn(*mdx, name + ".MDX");
    if (!table)
        return;
    if (!keepIndex)
        rebuildIndex(staged, tags);
    checkStaged(staged, *table);
}

bool anyLocalProd(const fs::path& local) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(local, ec))
        if (engine::equalsIgnoreCase(entry.path().stem().string(), "T_PROD"))
            return true;
    return false;
}

void pointAt(engine::TTable& table, const std::string& database, const std::string& index) {
    table.Close();
    table.SetTableType(engine::ttDBase);
    table.SetDatabaseName(database);
    table.SetTableName("T_PROD");
    table.SetIndexName(index);
}

// Sets the work tables back as the data module has them, whatever happened.
class PointBack {
public:
    explicit PointBack(TDm_Vadem& module) : module_(module) {}
    ~PointBack() {
        for (engine::TTable* table : {&module_.tmDmmys, &module_.tmTable}) {
            table->Close();
            table->SetDatabaseName("DBZET");
            table->SetTableName("");
            table->SetIndexName("");
            table->Exclusive = true;
            table->ReadOnly = false;
        }
    }

private:
    TDm_Vadem& module_;
};

// Stages a copy of the local application list for the merge, its index
// rebuilt when it does not agree with the table. False (nothing staged) when
// the table itself is damaged: the floppy's list then takes its place.
bool stageLocalApplications(RestoreStaging& staging, const fs::path& local) {
    fs::path localDbf = engine::findFile(local, "T_PROD.DBF");
    if (!fs::exists(localDbf))
        refuse(engine::code::FileNotFound, "the application list " + localDbf.string() +
                                               " is missing, while other T_PROD files are there");
    staging.copyIn(localDbf, "T_PROD.DBF");
    if (fs::path localMdx = engine::companionFile(localDbf, ".MDX"); fs::exists(localMdx))
        staging.copyIn(localMdx, "T_PROD.MDX");
    fs::path staged = staging.directory() / "T_PROD.DBF";
    auto faults = [&] {
        try {
            return engine::openTable(staged, {false, true})->check();
        } catch (const EngineError& error) {
            return std::vector<std::string>{error.what()};
        }
    };
    if (faults().empty())
        return true;
    try {
        rebuildIndex(staged, dictionary::prodTags());
        if (faults().empty())
            return true;
    } catch (const EngineError&) {
    }
    for (const char* name : {"T_PROD.DBF", "T_PROD.MDX"})
        fs::remove(staging.directory() / name);
    return false;
}

// Adds the floppy's applications that the staged local list lacks, not
// installed and undated.
void mergeApplications(TDm_Vadem& module, RestoreStaging& staging, bool floppySound) {
    PointBack pointBack(module);
    engine::TTable& from = module.tmDmmys;
    pointAt(from, "A:", floppySound ? "PROD00" : "");
    from.Exclusive = false;
    from.ReadOnly = true;
    from.Open();
    engine::TTable& to = module.tmTable;
    pointAt(to, staging.directory().string(), "PROD00");
    to.Open();
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

// Makes every new file of the dictionary ready in `staging`.
void stageDictionary(TDm_Vadem& module, RestoreStaging& staging, const fs::path& floppy,
                     const fs::path& local, FloppyTable base, FloppyTable prod,
                     const LocalFile& localBase, const LocalFile& localProd) {
    if (localBase.unreadable)
        replaceLocal(staging, floppy, local, "T_BASE", "cannot be read");
    stageFloppyPair(staging, floppy, local, "T_BASE", dictionary::baseLayout(),
                    dictionary::baseTags(), base);
    bool anyProd = anyLocalProd(local);
    if (anyProd && !localProd.unreadable && stageLocalApplications(staging, local)) {
        mergeApplications(module, staging, prod.sound);
    } else {
        if (anyProd)
            replaceLocal(staging, floppy, local, "T_PROD",
                         localProd.unreadable ? "cannot be read" : "is damaged");
        stageFloppyPair(staging, floppy, local, "T_PROD", dictionary::prodLayout(),
                        dictionary::prodTags(), prod);
    }
}

} // namespace

fs::path floppyDirectory() {
    engine::Engine session;
    if (std::uint16_t result = session.init(); result != engine::code::Success)
        throw EngineError(result, "The engine configuration " + session.configFile().string() +
                                      " cannot be read");
    return session.resolvePath("A:");
}

void restoreBaseTables(TDm_Vadem& module) {
    PointBack pointBack(module);
    fs::path floppy = floppyDirectory();
    fs::path local(module.DictPath);
    // Files are replaced by renames, which a read-only directory refuses.
    if (::access(local.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS))
        refuse(engine::code::ReadOnly, engine::findFile(local, "T_BASE.DBF").string() +
                                           " is read-only: its directory " + local.string() +
                                           " cannot be written");

    // The files are replaced under the datasets: they read them afresh.
    for (engine::TDataSet* dataSet : module.DictionaryDataSets)
        dataSet->Close();
    module.ResetDictionaryWindows();
    // No other program may have the dictionary open while it is replaced.
    LocalFile localBase = holdLocal(local, "T_BASE.DBF");
    LocalFile localProd = holdLocal(local, "T_PROD.DBF");

    // Everything is read and checked, and the new files are made ready,
    // before the first file of the dictionary is replaced.
    FloppyTable base, prod;
    if (auto file = onFloppy(floppy, "T_BASE.DBF"))
        base = checkFloppyTable(*file, dictionary::baseLayout());
    if (auto file = onFloppy(floppy, "T_PROD.DBF"))
        prod = checkFloppyTable(*file, dictionary::prodLayout());

    std::optional<RestoreStaging> staging;
    try {
        staging.emplace(local);
        stageDictionary(module, *staging, floppy, local, base, prod, localBase, localProd);
    } catch (const EngineError& error) {
        if (std::string_view(error.what()).starts_with(NotRestored))
            throw;
        refuse(error.code(), error.what());
    }
    staging->commit();
}
