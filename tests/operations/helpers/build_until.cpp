// Builds one physical table from the dictionary as the table builder does,
// in a process of its own, and kills itself (SIGKILL) when the build reaches
// a chosen step for the chosen time:
//
//     build_until TABLE TYPE-CODE [STEP [COUNT]]
//
// STEP is one of renamed, created, index, moving, moved, deleted,
// regenerated. The dictionary and the alias come from the environment as
// for dicttool. Exit 0 when the build completed, 1 with the engine's message
// on standard error when it failed.
#include "dictionary/Dm_Vadem.h"
#include "operations/TableBuild.h"

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
    try {
        TDm_Vadem dataModule;
        operations::TableBuild build(dataModule, dataModule.tmDBase.WorkingDirectory());
        if (argc > 3) {
            BuildStep stop = steps.at(argv[3]);
            int count = argc > 4 ? std::atoi(argv[4]) : 1;
            build.OnStep = [stop, count, seen = 0](BuildStep reached) mutable {
                if (reached == stop && ++seen == count)
                    std::raise(SIGKILL);
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
