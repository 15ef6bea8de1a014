#include "programinfo/ProgramInfo.h"

#include "SchedaxVersion.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    if (!closedStandardOutput(program))
        std::exit(ExitFailed);
    return true;
}

bool refusedArguments(int argc, char** argv, const char* program) {
    if (argc < 2)
        return false;
    std::string_view word = argv[1];
    bool option = word.size() > 1 && word[0] == '-';
    std::fprintf(stderr, "%s: %s \"%s\" (%s --help lists what it takes)\n", program,
                 option ? "unknown option" : "unexpected argument", argv[1], program);
    return true;
}

bool closedStandardOutput(const char* program) {
    errno = 0;
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    int reason = errno;
    if (std::fclose(stdout) != 0 && !failed) {
        failed = true;
        reason = errno;
    }
    if (failed)
        std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
                     reason ? std::strerror(reason) : "write error");
    return !failed;
}

} // namespace programinfo
