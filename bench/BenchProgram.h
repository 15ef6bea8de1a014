// Runs a program apart and measures it: wall time, cpu time, peak memory.
#pragma once

#include "BenchClock.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Measure {
    double seconds = 0; // wall clock
    double cpu = 0;     // user + system: steadier than wall time on a busy machine
    long peakKb = 0;
};

// Runs a program (stdout to `out`, or /dev/null) and measures it alone.
inline Measure runProgram(const std::vector<std::string>& argv,
                          const std::string& out = "/dev/null") {
    std::fflush(stdout);
    auto start = bench::Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout))
            std::_Exit(127);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    Measure m;
    m.seconds = bench::secondsSince(start);
    m.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "benchmark: %s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return m;
}

} // namespace bench
