#include "shell/PlanCommand.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FileOps.h"
#include "programinfo/ProgramInfo.h"
#include "tableops/PlanText.h"
#include "tableops/RunChoice.h"
#include "tableops/TableBuild.h"
#include "tableops/TableCopy.h"
#include "tableops/TablePlan.h"
#include "tableops/TableSnapshot.h"
#include "tableops/UpdateJournal.h"

#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using operations::RunKind;
using operations::TablePlan;

const char* const Usage = "usage: dicttool --plan create|update|copy|check [--application SUFFIX]\n"
                          "       dicttool --run create|update|copy [--application SUFFIX] "
                          "[--accept-loss]";

constexpr int ExitLoses = 1;
constexpr int ExitRefused = 2;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    bool run = false; // --run, else --plan
    std::string what; // create, update, copy, check
    std::optional<std::string> application;
    bool acceptLoss = false;
};

Arguments parse(int argc, char* argv[]) {
    Arguments args;
    std::map<std::string, std::string> values;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--accept-loss") {
            args.acceptLoss = true;
            continue;
        }
        if (name != "--plan" && name != "--run" && name != "--application")
            throw UsageError("unknown argument " + name);
        if (i + 1 >= argc || values.count(name))
            throw UsageError(name + " needs one value");
        values[name] = argv[++i];
    }
    if (values.count("--plan") == values.count("--run"))
        throw UsageError("give one of --plan and --run");
    args.run = values.count("--run") > 0;
    args.what = args.run ? values["--run"] : values["--plan"];
    bool known = args.what == "create" || args.what == "update" || args.what == "copy" ||
                 (args.what == "check" && !args.run);
    if (!known)
        throw UsageError("unknown run " + args.what);
    if (args.acceptLoss && !args.run)
        throw UsageError("--accept-loss goes with --run");
    if (values.count("--application"))
        args.application = values["--application"];
    return args;
}

RunKind kindOf(const std::string& what) {
    return what == "update" ? RunKind::Update : what == "copy" ? RunKind::Copy : RunKind::Create;
}

std::string list(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

const char* actionText(const TablePlan& plan) {
    switch (plan.action) {
    case TablePlan::Create:
        return "create";
    case TablePlan::Rebuild:
        return "rebuild, rows carried over";
    case TablePlan::Finish:
        return "finish an interrupted update, rows carried over from the saved table";
    case TablePlan::CarryOver:
        return "carry over from the other format";
    case TablePlan::Append:
        return "append the reference rows";
    }
    return "";
}

void printPlan(std::ostream& out, const operations::RunPlan& run) {
    for (const TablePlan& plan : run.tables) {
        out << plan.table;
        if (!plan.type.DriverName.empty())
            out << " (" << plan.type.DriverName << ")";
        if (!plan.refusals.empty()) {
            out << ": refused\n";
            for (const operations::Refusal& refusal : plan.refusals)
                out << "  refused: " << refusal.reason << "\n";
            continue;
        }
        out << ": " << actionText(plan) << "\n";
        if (!plan.source.empty())
            out << "  from: " << plan.source.string() << "\n";
        if (!plan.added.empty())
            out << "  added: " << list(plan.added) << "\n";
        if (!plan.dropped.empty())
            out << "  dropped: " << list(plan.dropped) << "\n";
        if (!plan.changed.empty())
            out << "  changed: " << list(plan.changed) << "\n";
        std::vector<std::string> tags;
        for (const engine::IndexDef& index : plan.indexes)
            tags.push_back(index.name.empty() ? index.expression : index.name);
        if (!tags.empty())
            out << "  tags: " << list(tags) << "\n";
        for (const operations::ValueLoss& loss : plan.losses)
            out << "  lost: " << operations::lossText(loss) << "\n";
    }
    if (run.tables.empty())
        out << "No function.\n";
}

struct Session {
    std::unique_ptr<TDm_Vadem> dm = std::make_unique<TDm_Vadem>();
    std::string workDir = dm->tmDBase.WorkingDirectory();
    operations::Applications applications = operations::Applications::read(*dm);

    operations::RunTables tables(const Arguments& args) const {
        if (args.application && !applications.has(*args.application))
            throw std::runtime_error("no application " + *args.application + " in the dictionary");
        RunKind kind = args.what == "check" ? RunKind::Create : kindOf(args.what);
        return operations::tablesOfRun(*dm, applications, kind, args.application);
    }

    operations::RunPlan plan(const Arguments& args, const operations::RunTables& run) const {
        if (args.what == "copy")
            return operations::planCopy(*dm, run.names, run.types);
        return operations::planBuild(*dm, workDir, run.names, run.types);
    }
};

// The differences between the table and the dictionary, one per line.
std::vector<std::string> drift(const TablePlan& plan) {
    std::vector<std::string> found;
    for (const operations::Refusal& refusal : plan.refusals)
        found.push_back("cannot be built: " + refusal.reason);
    if (!found.empty())
        return found;
    switch (plan.action) {
    case TablePlan::Create:
        return {"the table does not exist"};
    case TablePlan::Finish:
        return {"only the saved table " + plan.source.string() + " exists"};
    case TablePlan::CarryOver:
        return {"the table exists in the other format: " + plan.source.string()};
    default:
        break;
    }
    if (!plan.added.empty())
        found.push_back("fields missing from the table: " + list(plan.added));
    if (!plan.dropped.empty())
        found.push_back("fields not in the dictionary: " + list(plan.dropped));
    if (!plan.changed.empty())
        found.push_back("fields of another type or size: " + list(plan.changed));
    auto table = engine::openTable(plan.source, {false, true});
    std::vector<engine::IndexInfo> have = table->indexes();
    auto same = [](const engine::IndexDef& a, const engine::IndexDef& b) {
        return a.name == b.name && a.expression == b.expression &&
               a.forCondition == b.forCondition && a.primary == b.primary;
    };
    bool tagsMatch = have.size() == plan.indexes.size();
    for (std::size_t i = 0; tagsMatch && i < have.size(); ++i) {
        bool any = false;
        for (const engine::IndexDef& wanted : plan.indexes)
            any |= same(have[i].def, wanted) || (wanted.primary && have[i].def.primary &&
                                                 have[i].def.expression == wanted.expression);
        tagsMatch = any;
    }
    if (!tagsMatch)
        found.push_back("its indexes differ from the dictionary's");
    return found;
}

int check(const Session& session, const Arguments& args) {
    operations::RunTables run = session.tables(args);
    operations::RunPlan plan = session.plan(args, run);
    bool matches = true;
    for (const TablePlan& table : plan.tables) {
        std::vector<std::string> found = drift(table);
        std::cout << table.table << ": " << (found.empty() ? "matches" : "differs") << "\n";
        for (const std::string& line : found)
            std::cout << "  " << line << "\n";
        fs::path file = fs::path(session.workDir) / (table.table + table.type.FileExt);
        if (auto left = operations::TableSnapshot::leftBehind(file)) {
            std::cout << "  leftover snapshot folder: " << left->string() << "\n";
            found.push_back("");
        }
        matches &= found.empty();
    }
    for (const fs::path& entry : engine::directoryEntries(session.workDir)) {
        std::string name = entry.filename().string();
        if (name.rfind("$$", 0) == 0) {
            std::cout << "leftover: " << entry.string() << "\n";
            matches = false;
        }
    }
    return matches ? 0 : ExitLoses;
}

int carryOut(const Session& session, const Arguments& args, const operations::RunTables& run,
             const operations::RunPlan& plan) {
    const bool copy = args.what == "copy";
    std::vector<std::string> backups;
    for (const TablePlan& table : plan.tables) {
        if (copy) {
            operations::TableCopy copier(*session.dm);
            copier.SkipKeyClashes = table.refusesRows();
            copier.run(table.table, table.type.TableKind);
        } else {
            fs::path backup;
            if (table.keepsOldTable()) {
                backup = operations::backupFolder(session.workDir, table.table);
                backups.push_back(backup.string());
            }
            operations::TableBuild(session.workDir).run(table, backup);
        }
        std::cerr << "dicttool: " << table.table << ": " << (copy ? "copied" : "built") << "\n";
    }
    if (!copy)
        operations::stampApplications(*session.dm, run);
    std::cout << (plan.tables.empty() ? "No function."
                  : copy              ? "Function successful."
                                      : "Function successfull.")
              << "\n";
    for (const std::string& backup : backups)
        std::cout << "The old table is kept in " << backup << "\n";
    return 0;
}

int runWith(const Arguments& args) {
    Session session;
    for (const std::string& line : operations::recoverUpdates(session.workDir))
        std::cerr << "dicttool: " << line << "\n";
    if (args.what == "check")
        return check(session, args);
    operations::RunTables run = session.tables(args);
    operations::RunPlan plan = session.plan(args, run);
    if (!args.run || plan.refused()) {
        printPlan(std::cout, plan);
        return plan.refused() ? ExitRefused : plan.losesValues() ? ExitLoses : 0;
    }
    if (plan.losesValues() && !args.acceptLoss) {
        printPlan(std::cout, plan);
        std::cerr << "dicttool: the run would lose values; nothing was changed. Give "
                     "--accept-loss to run it anyway (the old tables are kept)\n";
        return ExitRefused;
    }
    return carryOut(session, args, run, plan);
}

} // namespace

bool isPlanCommand(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--plan") == 0 || std::strcmp(argv[i], "--run") == 0)
            return true;
    return false;
}

int runPlanCommand(int argc, char* argv[]) {
    int status = 0;
    try {
        status = runWith(parse(argc, argv));
    } catch (const UsageError& error) {
        std::cerr << "dicttool: " << error.what() << "\n" << Usage << "\n";
        return programinfo::ExitUsage;
    } catch (const std::exception& error) {
        std::string line = error.what();
        for (char& c : line)
            if (c == '\n')
                c = ' ';
        std::cerr << "dicttool: " << line << "\n";
        return programinfo::ExitFailed;
    }
    if (!programinfo::closedStandardOutput("dicttool"))
        return programinfo::ExitFailed;
    return status;
}
