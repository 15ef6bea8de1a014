#include "tableops/RunChoice.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/Text.h"

#include <algorithm>
#include <filesystem>

namespace operations {

namespace {

void openOrRefresh(engine::TTable& table) {
    if (table.Active())
        table.Refresh();
    else
        table.Open();
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// An update takes a table dated after its application's installation.
bool needsUpdate(engine::TTable& prod, const std::string& suffix, engine::Date tableDate) {
    if (!prod.FindKey({engine::Value(suffix)}))
        return false;
    return dateOrZero(prod.FieldByName("TMDIST")) < tableDate;
}

} // namespace

bool hasApplicationTable(const std::string& dictPath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(dictPath, ec), end; !ec && it != end; it.increment(ec))
        if (engine::equalsIgnoreCase(it->path().stem().string(), "T_PROD"))
            return true;
    return false;
}

engine::Date dateOrZero(const engine::TField& field) {
    return field.IsNull() ? engine::Date() : field.AsDateTime();
}

Applications Applications::read(TDm_Vadem& dm) {
    Applications apps;
    if (!hasApplicationTable(dm.DictPath))
        return apps;
    engine::TTable& prod = dm.Prod;
    dm.Src_Prod.SetEnabled(true);
    openOrRefresh(prod);
    for (prod.First(); !prod.Eof(); prod.Next()) {
        std::string suffix = prod.FieldByName("TMSUFF").AsString();
        apps.suffixes.push_back(suffix);
        apps.descriptions.push_back(prod.FieldByName("TMDESC").AsString());
        if (prod.FieldByName("TMBIST").AsBoolean())
            apps.installed.push_back(suffix);
    }
    dm.Src_Prod.SetEnabled(false);
    prod.Close();
    return apps;
}

bool Applications::has(const std::string& suffix) const {
    return contains(suffixes, suffix);
}

RunTables tablesOfRun(TDm_Vadem& dm, const Applications& applications, RunKind kind,
                      const std::optional<std::string>& application) {
    RunTables run;
    run.applications =
        application ? std::vector<std::string>{*application} : applications.installed;
    engine::TTable& base = dm.Base;
    openOrRefresh(base);
    engine::TTable& prod = dm.Prod;
    if (kind == RunKind::Update)
        openOrRefresh(prod);
    for (base.First(); !base.Eof(); base.Next()) {
        std::string suffix = base.FieldByName("TMSUFF").AsString();
        engine::Date date = dateOrZero(base.FieldByName("TMDATA"));
        if (contains(applications.installed, suffix) && date > run.latest[suffix])
            run.latest[suffix] = date;
        if (!contains(run.applications, suffix))
            continue;
        bool taken = kind == RunKind::Create   ? true
                     : kind == RunKind::Update ? needsUpdate(prod, suffix, date)
                                               : base.FieldByName("TMBCAR").AsBoolean();
        if (!taken)
            continue;
        run.names.push_back(base.FieldByName("TMNPFM").AsString());
        run.types.push_back(base.FieldByName("TMTBAS").AsString());
    }
    return run;
}

void stampApplications(TDm_Vadem& dm, const RunTables& run) {
    engine::TTable& prod = dm.Prod;
    openOrRefresh(prod);
    for (const std::string& suffix : run.applications) {
        if (!prod.FindKey({engine::Value(suffix)}))
            continue;
        auto latest = run.latest.find(suffix);
        prod.Edit();
        if (latest == run.latest.end() || latest->second == engine::Date())
            prod.FieldByName("TMDIST").Clear();
        else
            prod.FieldByName("TMDIST").SetAsDateTime(latest->second);
        prod.FieldByName("TMBIST").SetAsBoolean(true);
        prod.Post();
    }
}

} // namespace operations
