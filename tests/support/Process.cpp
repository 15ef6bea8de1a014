#include "Process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace support {

namespace {

// The environment of the new program: ours with `options` applied, built
// before the fork so that the child only calls exec.
std::vector<std::string> environmentFor(const RunOptions& options) {
    std::map<std::string, std::string> values;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        auto equals = text.find('=');
        if (equals != std::string::npos)
            values[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& name : options.unset)
        values.erase(name);
    for (const auto& [name, value] : options.environment)
        values[name] = value;
    std::vector<std::string> out;
    for (const auto& [name, value] : values)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& text : texts)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        read = ends[0];
        write = ends[1];
    }
};

void closeEnd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Forks and execs `command` with the given standard streams (-1: inherited).
pid_t start(const std::vector<std::string>& command, const RunOptions& options, int in, int out,
            int err) {
    if (command.empty())
        throw std::invalid_argument("no program to run");
    std::vector<std::string> args = command;
    std::vector<std::string> env = environmentFor(options);
    std::vector<char*> argv = pointers(args), envp = pointers(env);
    std::string directory = options.directory.string();
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        if (in >= 0)
            ::dup2(in, 0);
        if (out >= 0)
            ::dup2(out, 1);
        if (err >= 0)
            ::dup2(err, 2);
        ::signal(SIGPIPE, SIG_DFL); // the test's own setting is not the program's
        if (!directory.empty() && ::chdir(directory.c_str()) != 0)
            ::_exit(127);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

Outcome ended(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    Outcome outcome;
    if (WIFEXITED(raw))
        outcome.status = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        outcome.signal = WTERMSIG(raw);
    return outcome;
}

// A program that ends before reading all its input must not end the test.
void ignoreBrokenPipes() {
    static const bool once = (::signal(SIGPIPE, SIG_IGN), true);
    (void)once;
}

} // namespace

Outcome run(const std::vector<std::string>& command, const RunOptions& options) {
    ignoreBrokenPipes();
    Pipe in, out, err;
    pid_t pid =
        start(command, options, in.read, out.write, options.errorsToOutput ? out.write : err.write);
    closeEnd(in.read);
    closeEnd(out.write);
    closeEnd(err.write);
    if (options.input.empty())
        closeEnd(in.write);
    std::string collected[2];
    std::size_t written = 0;
    // Feeds the input and drains both outputs together, so that neither side
    // waits on a full pipe.
    while (out.read >= 0 || err.read >= 0 || in.write >= 0) {
        pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        int* reads[2] = {&out.read, &err.read};
        for (int i = 0; i < 2; ++i) {
            if (*reads[i] < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            ssize_t n = ::read(*reads[i], buffer, sizeof buffer);
            if (n > 0)
                collected[i].append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                closeEnd(*reads[i]);
        }
        if (in.write >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n =
                ::write(in.write, options.input.data() + written, options.input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == options.input.size())
                closeEnd(in.write);
        }
    }
    Outcome outcome = ended(pid);
    outcome.out = std::move(collected[0]);
    outcome.err = std::move(collected[1]);
    return outcome;
}

bool succeeds(const std::vector<std::string>& command) {
    return run(command).status == 0;
}

Outcome python(const std::string& script, const RunOptions& options) {
    return run({"/usr/bin/python3", "-c", script}, options);
}

Child::Child(const std::vector<std::string>& command, const RunOptions& options) {
    ignoreBrokenPipes();
    Pipe in, out;
    pid_ = start(command, options, in.read, out.write, options.errorsToOutput ? out.write : -1);
    ::close(in.read);
    ::close(out.write);
    to_ = ::fdopen(in.write, "w");
    from_ = ::fdopen(out.read, "r");
}

Child::~Child() {
    wait();
}

void Child::writeLine(const std::string& line) {
    if (!to_)
        return;
    std::fputs((line + "\n").c_str(), to_);
    std::fflush(to_);
}

std::string Child::readLine() {
    std::string line;
    if (!from_)
        return line;
    for (int c; (c = std::fgetc(from_)) != EOF && c != '\n';)
        line += static_cast<char>(c);
    return line;
}

std::string Child::ask(const std::string& line) {
    writeLine(line);
    return readLine();
}

void Child::closeInput() {
    if (to_)
        std::fclose(to_);
    to_ = nullptr;
}

Outcome Child::wait() {
    if (ended_)
        return *ended_;
    closeInput();
    std::string rest;
    if (from_) {
        for (int c; (c = std::fgetc(from_)) != EOF;)
            rest += static_cast<char>(c);
        std::fclose(from_);
        from_ = nullptr;
    }
    ended_ = ended(pid_);
    ended_->out = std::move(rest);
    return *ended_;
}

void Child::kill(int signal) {
    if (!ended_)
        ::kill(pid_, signal);
}

int waitForChild(pid_t child) {
    Outcome outcome = ended(child);
    return outcome.status;
}

} // namespace support
