// Copies one reference table into the installation as the copier does, in a
// process of its own, and kills itself (SIGKILL) at the chosen write:
//
//     copy_until TABLE TYPE-CODE WRITE
//
// The dictionary, the alias and the drive map come from the environment as
// for dicttool. Exit 0 when the copy completed, 1 with the engine's message on
// standard error when it failed.
#include "dictionary/Dm_Vadem.h"
#include "engine/files/FaultSeam.h"
#include "tableops/TableCopy.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 4)
        return 2;
    try {
        TDm_Vadem dataModule;
        operations::TableCopy copy(dataModule);
        engine::faults::failWrite(std::strtoull(argv[3], nullptr, 10), engine::faults::Fault::Kill);
        copy.run(argv[1], std::atoi(argv[2]));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
