#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// Another program holding a table open (tests/helpers/hold_table.cpp), as a
// window of a second dicttool does, until this object goes; it appends rows
// when asked.
class SecondProgram {
public:
    explicit SecondProgram(const std::filesystem::path& table)
        : ready_(table.parent_path().parent_path() / "holding") {
        std::filesystem::remove(ready_);
        std::string command = "exec '" SCHEDAX_BINARY_DIR "/tests/hold-table' '" + table.string() +
                              "' '" + ready_.string() + "'";
        pipe_ = ::popen(command.c_str(), "w");
        // It says when it holds the table; a failure to open ends it at once.
        for (int tries = 0; tries < 1000 && !std::filesystem::exists(ready_); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(std::filesystem::exists(ready_)) << "hold-table did not open " << table;
    }
    // Has it append a copy of the table's first row; returns what it said:
    // "appended" or "refused: WHY".
    std::string append() {
        std::size_t said = lines().size();
        std::fputs("append\n", pipe_);
        std::fflush(pipe_);
        for (int tries = 0; tries < 1000 && lines().size() == said; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> all = lines();
        return all.size() > said ? all.back() : "no answer";
    }
    ~SecondProgram() {
        if (pipe_)
            ::pclose(pipe_); // its input ends: it closes the table and exits
        std::filesystem::remove(ready_);
    }
    SecondProgram(const SecondProgram&) = delete;
    SecondProgram& operator=(const SecondProgram&) = delete;

private:
    std::vector<std::string> lines() const {
        std::ifstream in(ready_);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    }

    std::filesystem::path ready_;
    std::FILE* pipe_ = nullptr;
};
