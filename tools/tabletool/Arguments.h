#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabletool {

// A command line the command does not take: one line on stderr with the
// command's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input or output the command cannot use (a CSV cell that does not suit
// its field, a file that cannot be read): one line on stderr, exit status 3,
// as for the engine's errors.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words after the command name: positional arguments and options.
class Arguments {
public:
    // `options` as in Command::options. Throws UsageError for an unknown
    // option, a missing option value, or a positional count outside min..max.
    Arguments(const std::vector<std::string>& words, const std::vector<std::string>& options,
              std::size_t minPositional, std::size_t maxPositional);

    const std::vector<std::string>& positional() const { return positional_; }
    const std::string& at(std::size_t i) const { return positional_.at(i); }
    bool has(const std::string& option) const;
    // Every value given for a valued option, in order.
    std::vector<std::string> values(const std::string& option) const;
    std::string value(const std::string& option) const; // last value, "" when absent

private:
    std::vector<std::string> positional_;
    std::multimap<std::string, std::string> options_;
    std::vector<std::pair<std::string, std::string>> ordered_;
};

} // namespace tabletool
