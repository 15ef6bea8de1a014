// Builds one physical table from the dictionary as the table builder does
// (an interrupted update finished or undone first, then the plan, then the
// build), in a process of its own, and kills itself (SIGKILL) at a chosen
// point:
//
//     build_until TABLE TYPE-CODE [STEP [COUNT [WRITE]]]
//     build_until TABLE TYPE-CODE op N
//     build_until TABLE TYPE-CODE ops
//     build_until TABLE TYPE-CODE recover
//
// STEP is one of journaled, renamed, created, index, moving, moved,
// deleted: the kill comes when the build reaches it for the COUNTth time,
// or with WRITE at the WRITEth write to a file after it. With STEP "count"
// the build completes and prints, per step reached, the writes made since
// the step before ("renamed 12"). "op N" kills at the Nth file operation of
// the build (a file created, renamed or removed, a flush); "ops" completes
// and prints "operations N", the build's file operations. "recover" only
// finishes or undoes an interrupted update and prints what it did. The
// dictionary and the alias come from the environment as for dicttool. Exit
// 0 when the build completed, 1 with the engine's message on standard error
// when it failed. With BUILD_UNTIL_BACKUP set in the environment, the old
// table is kept in that folder, as after the user agreed to lose values.
#include "dictionary/Dm_Vadem.h"
#include "engine/files/FaultSeam.h"
#include "tableops/PlanText.h"
#include "tableops/TableBuild.h"
#include "tableops/TablePlan.h"
#include "tableops/UpdateJournal.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>

using operations::BuildStep;
namespace faults = engine::faults;

namespace {

const std::map<std::string, BuildStep> Steps = {
    {"journaled", BuildStep::Journaled}, {"renamed", BuildStep::Renamed},
    {"created", BuildStep::Created},     {"index", BuildStep::IndexAdded},
    {"moving", BuildStep::Moving},       {"moved", BuildStep::Moved},
    {"deleted", BuildStep::SavedDeleted}};

void killAtStep(operations::TableBuild& build, int argc, char* argv[]) {
    BuildStep stop = Steps.at(argv[3]);
    int count = argc > 4 ? std::atoi(argv[4]) : 1;
    std::uint64_t write = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 0;
    build.OnStep = [stop, count, write, seen = 0](BuildStep reached) mutable {
        if (reached != stop || ++seen != count)
            return;
        if (write == 0)
            std::raise(SIGKILL);
        faults::failWrite(write, faults::Fault::Kill);
    };
}

void countWrites(operations::TableBuild& build) {
    build.OnStep = [last = faults::writesSoFar()](BuildStep reached) mutable {
        for (const auto& [name, value] : Steps)
            if (value == reached)
                std::cout << name << " " << faults::writesSoFar() - last << "\n";
        last = faults::writesSoFar();
    };
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3)
        return 2;
    const std::string mode = argc > 3 ? argv[3] : "";
    try {
        TDm_Vadem dataModule;
        const std::string workDir = dataModule.tmDBase.WorkingDirectory();
        for (const std::string& line : operations::recoverUpdates(workDir))
            std::cout << line << "\n";
        if (mode == "recover")
            return 0;
        operations::RunPlan plan = operations::planBuild(dataModule, workDir, {argv[1]}, {argv[2]});
        if (plan.refused())
            throw std::runtime_error(operations::refusalText(plan.refusals()));
        operations::TableBuild build(workDir);
        const std::uint64_t before = faults::fileOperationsSoFar();
        if (mode == "op")
            faults::failFileOperation(std::strtoull(argv[4], nullptr, 10), faults::Fault::Kill);
        else if (mode == "count")
            countWrites(build);
        else if (!mode.empty() && mode != "ops")
            killAtStep(build, argc, argv);
        // A run the user agreed to lose values in keeps the old table there.
        const char* backup = std::getenv("BUILD_UNTIL_BACKUP");
        build.run(plan.tables.front(), backup ? backup : "");
        if (mode == "ops")
            std::cout << "operations " << faults::fileOperationsSoFar() - before << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
