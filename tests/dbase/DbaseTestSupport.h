#pragma once

// Small helpers for tests over real files: a temporary directory, whole-file
// reads and writes, and running the independent readers and our own tools.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace dbase_test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "schedax-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

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
    r.out = readBytes(out);
    r.err = readBytes(err);
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
