#pragma once

// dicttool's table runs from the command line, without a display:
//   dicttool --plan create|update|copy|check [--application SUFFIX]
//   dicttool --run create|update|copy [--application SUFFIX] [--accept-loss]
// --plan prints the plan of the run, table by table, and exits 0 when
// nothing would be lost, 1 when values would be lost, 2 when the run would
// be refused. --plan check compares the tables with the dictionary: 0 when
// everything matches, 1 otherwise. --run carries the run out as the
// function screen does (the same plan, backups and stamps), one progress
// line per table on standard error; a run that would lose values is refused
// (exit 2) unless --accept-loss is given; 3 when the run fails.

bool isPlanCommand(int argc, char* argv[]);
int runPlanCommand(int argc, char* argv[]);
