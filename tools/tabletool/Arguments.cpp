#include "Arguments.h"

#include <algorithm>

namespace tabletool {

Arguments::Arguments(const std::vector<std::string>& words, const std::vector<std::string>& options,
                     std::size_t minPositional, std::size_t maxPositional) {
    auto valued = [&](const std::string& name) {
        return std::find(options.begin(), options.end(), name + "=") != options.end();
    };
    auto flag = [&](const std::string& name) {
        return std::find(options.begin(), options.end(), name) != options.end();
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 3 || w.compare(0, 2, "--") != 0) {
            positional_.push_back(w);
            continue;
        }
        std::string name = w, value;
        bool inlineValue = false;
        if (auto eq = w.find('='); eq != std::string::npos) {
            name = w.substr(0, eq), value = w.substr(eq + 1), inlineValue = true;
        }
        if (valued(name)) {
            if (!inlineValue) {
                if (i + 1 >= words.size())
                    throw UsageError("option " + name + " needs a value");
                value = words[++i];
            }
            options_.emplace(name, value);
            ordered_.emplace_back(name, value);
        } else if (flag(name) && !inlineValue) {
            options_.emplace(name, "");
            ordered_.emplace_back(name, "");
        } else {
            throw UsageError("unknown option " + name);
        }
    }
    if (positional_.size() < minPositional)
        throw UsageError("missing arguments");
    if (positional_.size() > maxPositional)
        throw UsageError("too many arguments (\"" + positional_[maxPositional] + "\")");
}

bool Arguments::has(const std::string& option) const {
    return options_.count(option) > 0;
}

std::vector<std::string> Arguments::values(const std::string& option) const {
    std::vector<std::string> out;
    for (const auto& [name, value] : ordered_)
        if (name == option)
            out.push_back(value);
    return out;
}

std::string Arguments::value(const std::string& option) const {
    std::vector<std::string> all = values(option);
    return all.empty() ? std::string() : all.back();
}

} // namespace tabletool
