#pragma once

// Runs the table_writer helper as a second program on one table and talks
// to it through its standard input and output.

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class SecondProgram {
public:
    explicit SecondProgram(const std::filesystem::path& table) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(TABLE_WRITER, TABLE_WRITER, table.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        to_ = ::fdopen(in[1], "w");
        from_ = ::fdopen(out[0], "r");
        opened_ = readLine();
    }
    ~SecondProgram() {
        if (to_) {
            std::fputs("exit\n", to_);
            std::fclose(to_);
        }
        std::fclose(from_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    SecondProgram(const SecondProgram&) = delete;
    SecondProgram& operator=(const SecondProgram&) = delete;

    pid_t pid() const { return pid_; }
    // "ok" once the table is open, else its error.
    const std::string& opened() const { return opened_; }
    // Sends one command; returns the answer line ("ok ..." / "error ...").
    std::string send(const std::string& command) {
        std::fputs((command + "\n").c_str(), to_);
        std::fflush(to_);
        return readLine();
    }
    // Sends a command that makes the program end; returns how it ended
    // (the signal that killed it, or -1).
    int sendAndWait(const std::string& command) {
        std::fputs((command + "\n").c_str(), to_);
        std::fclose(to_);
        to_ = nullptr;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }

private:
    std::string readLine() {
        std::string line;
        for (int c; (c = std::fgetc(from_)) != EOF && c != '\n';)
            line += static_cast<char>(c);
        return line;
    }

    pid_t pid_ = -1;
    std::FILE* to_ = nullptr;
    std::FILE* from_ = nullptr;
    std::string opened_;
};
