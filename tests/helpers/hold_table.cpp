// A second program for the tests: opens a table through the engine, shared,
// as a window of another dicttool has it, and writes "holding" to the file
// READY to say so. Then, for each line "append" on its standard input, it
// appends a copy of the table's first row and adds "appended" or
// "refused: WHY" to READY. It holds the table until its input ends.
#include "engine/drivers/Tables.h"

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
            if (line != "append")
                continue;
            std::string outcome = "appended";
            try {
                table->append(table->read(1));
            } catch (const std::exception& error) {
                outcome = std::string("refused: ") + error.what();
            }
            std::ofstream(argv[2], std::ios::app) << outcome << "\n";
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hold-table: %s\n", error.what());
        return 1;
    }
}
