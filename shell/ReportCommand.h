#pragma once

// dicttool's printed dictionary from the command line, without a display:
//   dicttool --report tables --pdf OUT.pdf
//   dicttool --report fields --table NAME --pdf OUT.pdf
//   dicttool --report roster [--application SUFFIX] --pdf OUT.pdf
// The pages are those of the preview. Exit status 0, or 2 with one line on
// standard error.

// True when the arguments ask for a report.
bool isReportCommand(int argc, char* argv[]);
int runReportCommand(int argc, char* argv[]);
