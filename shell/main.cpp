#include "shell/ReportCommand.h"
#include "shell/Startup.h"

int main(int argc, char* argv[]) {
    if (isReportCommand(argc, argv))
        return runReportCommand(argc, argv);
    return runDicttool(argc, argv);
}
