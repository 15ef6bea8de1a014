#pragma once

#include "support/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// Another program holding a table open (tests/helpers/hold_table.cpp), as a
// window of a second dicttool does, until this object goes; it appends rows
// when asked. It answers in a file beside the table's folder, which it
// makes once it holds the table.
class TableHolder {
public:
    explicit TableHolder(const std::filesystem::path& table)
        : ready_(removed(table.parent_path().parent_path() / "holding")),
          program_({SCHEDAX_BINARY_DIR "/tests/hold-table", table.string(), ready_.string()}) {
        // A failure to open ends it at once.
        for (int tries = 0; tries < 1000 && !std::filesystem::exists(ready_); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(std::filesystem::exists(ready_)) << "hold-table did not open " << table;
    }
    // Has it append a copy of the table's first row; returns what it said:
    // "appended" or "refused: WHY".
    std::string append() {
        std::size_t said = lines().size();
        program_.writeLine("append");
        for (int tries = 0; tries < 1000 && lines().size() == said; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> all = lines();
        return all.size() > said ? all.back() : "no answer";
    }
    ~TableHolder() {
        program_.wait(); // its input ends: it closes the table and exits
        std::filesystem::remove(ready_);
    }

private:
    static std::filesystem::path removed(const std::filesystem::path& file) {
        std::filesystem::remove(file);
        return file;
    }
    std::vector<std::string> lines() const {
        std::ifstream in(ready_);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    }

    std::filesystem::path ready_;
    support::Child program_;
};
