// A second program for the tests: opens a table through the engine, shared,
// as a window of another dicttool has it, creates the file READY to say so,
// and holds the table until its standard input ends.
#include "engine/Tables.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold-table TABLE READY\n");
        return 2;
    }
    try {
        auto table = engine::openTable(argv[1]);
        std::ofstream(argv[2]) << "holding\n";
        for (std::string line; std::getline(std::cin, line);) {
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hold-table: %s\n", error.what());
        return 1;
    }
}
