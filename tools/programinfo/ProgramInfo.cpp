#include "programinfo/ProgramInfo.h"

#include "SchedaxVersion.h"

#include <cstdio>
#include <string_view>

namespace programinfo {

const char* version() {
    return SCHEDAX_VERSION;
}

bool answeredHelpOrVersion(int argc, char** argv, const char* program, const std::string& help) {
    if (argc < 2)
        return false;
    std::string_view option = argv[1];
    if (option == "--help")
        std::fputs(help.c_str(), stdout);
    else if (option == "--version")
        std::printf("%s (Schedax) %s\n", program, version());
    else
        return false;
    std::fflush(stdout);
    return true;
}

} // namespace programinfo
