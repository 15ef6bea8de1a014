#pragma once

#include <string>

// What every Schedax program answers to --help and --version.
namespace programinfo {

// The version of the Schedax programs, as the build sets it ("0.1").
const char* version();

// Exit statuses of the Schedax programs beyond 0 (done).
inline constexpr int ExitUsage = 2;  // a command line the program does not take
inline constexpr int ExitFailed = 3; // an error in a file, the data or the output

// When the first argument is "--help" or "--version", prints `help` or the
// line "PROGRAM (Schedax) VERSION" on standard output and returns true: the
// program then ends with status 0, before it opens a window or a file. When
// standard output cannot be written it says so on stderr and ends the
// program with ExitFailed.
bool answeredHelpOrVersion(int argc, char** argv, const char* program, const std::string& help);

// For the programs that take no arguments but --help and --version: when
// there is any other argument, says on stderr that PROGRAM does not take it
// and returns true; the program then ends with ExitUsage before it opens a
// window.
bool refusedArguments(int argc, char** argv, const char* program);

// Flushes and closes standard output; false, with a message on stderr
// naming `program` and the system's reason, when what was written did not
// all reach it (a full disk, a closed pipe).
bool closedStandardOutput(const char* program);

} // namespace programinfo
