#pragma once

// Running another program from a test: its arguments as a list (never a
// shell line, so paths with blanks and quotes pass as they are), its input,
// environment and directory, and what it wrote and how it ended.

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace support {

struct RunOptions {
    std::string input;                              // its standard input, then end of file
    std::map<std::string, std::string> environment; // set on top of this program's
    std::vector<std::string> unset;                 // taken out of its environment
    std::filesystem::path directory;                // where it starts; empty: here
    bool errorsToOutput = false;                    // stderr into `out`, as 2>&1
};

struct Outcome {
    int status = -1; // the exit status; -1 when a signal ended it
    int signal = 0;  // the signal that ended it, else 0
    std::string out; // standard output
    std::string err; // standard error (empty with errorsToOutput)
};

// Runs `command` (the program, found on PATH when it has no slash, then its
// arguments) to its end.
Outcome run(const std::vector<std::string>& command, const RunOptions& options = {});

// Whether `command` runs and exits with 0; its output is dropped.
bool succeeds(const std::vector<std::string>& command);

// The system's Python with `script` as its program (python3 -c).
Outcome python(const std::string& script, const RunOptions& options = {});

// Another program that runs beside the test: lines go to its standard input
// and come from its standard output; its standard error is the test's. When
// the object goes, its input ends and it is waited for.
class Child {
public:
    explicit Child(const std::vector<std::string>& command, const RunOptions& options = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Sends one line (the newline is added).
    void writeLine(const std::string& line);
    // The next line it wrote, without the newline; "" at the end of its output.
    std::string readLine();
    // Sends one line and returns the line it answers.
    std::string ask(const std::string& line);
    // Ends its input: a program reading it to the end finishes.
    void closeInput();
    // Waits for its end; `out` holds what it wrote that was not read.
    Outcome wait();
    // Sends it a signal (no wait).
    void kill(int signal = SIGKILL);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::FILE* to_ = nullptr;
    std::FILE* from_ = nullptr;
    std::optional<Outcome> ended_;
};

// Starts `work` in a copy of this process (fork), which ends with its
// result as the exit status (125 when it throws).
template <typename Work> pid_t startInChildProcess(Work&& work);
// The exit status of such a copy once it ends; -1 when a signal ended it.
int waitForChild(pid_t child);
// Runs `work` in a copy of this process and returns its exit status.
template <typename Work> int inChildProcess(Work&& work) {
    return waitForChild(startInChildProcess(std::forward<Work>(work)));
}

} // namespace support

#include <unistd.h>

template <typename Work> pid_t support::startInChildProcess(Work&& work) {
    pid_t child = ::fork();
    if (child == 0) {
        int result = 125;
        try {
            result = work();
        } catch (...) {
        }
        ::_exit(result);
    }
    return child;
}
