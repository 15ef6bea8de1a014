#pragma once

// Running the independent readers and our own tools over real files.

#include "support/FileBytes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace dbase_test {

struct Outcome {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs a shell command line; stdout and stderr are captured separately.
inline Outcome run(const std::string& command, const std::filesystem::path& scratch) {
    std::filesystem::path out = scratch / ".run-out", err = scratch / ".run-err";
    std::string line = command + " >'" + out.string() + "' 2>'" + err.string() + "'";
    int raw = std::system(line.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = support::readBytes(out);
    r.err = support::readBytes(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline bool havePerlXBase() {
    return std::system("perl -MXBase -e 1 >/dev/null 2>&1") == 0;
}
inline bool haveDbfread() {
    return std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") == 0;
}

} // namespace dbase_test
