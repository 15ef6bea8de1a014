#pragma once

#include "engine/values/Date.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

class TDm_Vadem;
namespace engine {
class TField;
}

namespace operations {

// A table T_PROD (any extension, any case) in the dictionary directory.
bool hasApplicationTable(const std::string& dictPath);
// A date field's value; an empty date counts as zero, earlier than any date.
engine::Date dateOrZero(const engine::TField& field);

// The applications of T_PROD, as the function screen offers them.
struct Applications {
    std::vector<std::string> suffixes;     // TMSUFF, in T_PROD's order
    std::vector<std::string> descriptions; // TMDESC of each
    std::vector<std::string> installed;    // the suffixes marked installed (TMBIST)

    // Empty when the dictionary has no T_PROD yet.
    static Applications read(TDm_Vadem& dataModule);
    bool has(const std::string& suffix) const;
};

enum class RunKind { Create, Update, Copy };

// The tables a run takes, in T_BASE's order, and what it stamps after.
struct RunTables {
    std::vector<std::string> names; // TMNPFM
    std::vector<std::string> types; // TMTBAS
    // The applications a build that succeeds marks installed, each with the
    // latest date of its tables (no date for an application not installed before).
    std::vector<std::string> applications;
    std::map<std::string, engine::Date> latest;
};

// The tables of `application` (a suffix; nothing for every installed
// application): a create takes them all, an update those dated after the
// application's installation (TMDIST), a copy those marked for reference
// data (TMBCAR).
RunTables tablesOfRun(TDm_Vadem& dataModule, const Applications& applications, RunKind kind,
                      const std::optional<std::string>& application);

// Marks the applications of a build that succeeded installed, dated with
// their latest table.
void stampApplications(TDm_Vadem& dataModule, const RunTables& run);

} // namespace operations
