#pragma once

#include <string>

// What every Schedax program answers to --help and --version.
namespace programinfo {

// The version of the Schedax programs, as the build sets it ("0.1").
const char* version();

// When the first argument is "--help" or "--version", prints `help` or the
// line "PROGRAM (Schedax) VERSION" on standard output and returns true: the
// program then ends with status 0, before it opens a window or a file.
bool answeredHelpOrVersion(int argc, char** argv, const char* program, const std::string& help);

} // namespace programinfo
