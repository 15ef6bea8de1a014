#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

// Another program holding a table open (tests/helpers/hold_table.cpp), as a
// window of a second dicttool does, until this object goes.
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
    ~SecondProgram() {
        if (pipe_)
            ::pclose(pipe_); // its input ends: it closes the table and exits
        std::filesystem::remove(ready_);
    }
    SecondProgram(const SecondProgram&) = delete;
    SecondProgram& operator=(const SecondProgram&) = delete;

private:
    std::filesystem::path ready_;
    std::FILE* pipe_ = nullptr;
};
