// Builds one physical table from the dictionary as the table builder does,
// in a process of its own, and kills itself (SIGKILL) when the build reaches
// a chosen step for the chosen time:
//
//     build_until TABLE TYPE-CODE [STEP [COUNT [WRITE]]]
//
// STEP is one of renamed, created, index, moving, moved, deleted,
// regenerated. With WRITE the kill comes later: at the WRITEth write to a
// file after that step (inside the work that follows it). With STEP "count"
// the build completes and prints, per step reached, the writes made since
// the step before ("renamed 12"), to choose WRITE from. The dictionary and the alias come from the
// environment as for dicttool. Exit 0 when the build completed, 1 with the engine's message on
// standard error when it failed.
#include "dictionary/Dm_Vadem.h"
#include "engine/files/FaultSeam.h"
#include "tableops/TableBuild.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

using operations::BuildStep;

int main(int argc, char* argv[]) {
    if (argc < 3)
        return 2;
    static const std::map<std::string, BuildStep> steps = {{"renamed", BuildStep::Renamed},
                                                           {"created", BuildStep::Created},
                                                           {"index", BuildStep::IndexAdded},
                                                           {"moving", BuildStep::Moving},
                                                           {"moved", BuildStep::Moved},
                                                           {"deleted", BuildStep::SavedDeleted},
                                                           {"regenerated", BuildStep::Regenerated}};
    namespace faults = engine::faults;
    try {
        TDm_Vadem dataModule;
        operations::TableBuild build(dataModule, dataModule.tmDBase.WorkingDirectory());
        if (argc > 3 && std::string(argv[3]) == "count") {
            build.OnStep = [last = faults::writesSoFar()](BuildStep reached) mutable {
                for (const auto& [name, value] : steps)
                    if (value == reached)
                        std::cout << name << " " << faults::writesSoFar() - last << "\n";
                last = faults::writesSoFar();
            };
        } else if (argc > 3) {
            BuildStep stop = steps.at(argv[3]);
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
        operations::TableType type;
        type.setFromCode(argv[2]);
        build.run(argv[1], type);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
