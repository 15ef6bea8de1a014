#include "engine/config/IniFile.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"

#include <algorithm>

namespace engine {

namespace {

std::string unquote(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

bool needsQuotes(std::string_view value) {
    if (value.empty())
        return false;
    return value.front() == ' ' || value.back() == ' ' || value.front() == '\t' ||
           value.back() == '\t' || value.front() == '"';
}

} // namespace

IniFile IniFile::parse(std::string_view text, const std::string& source) {
    IniFile ini;
    std::size_t lineNumber = 0;
    bool skipping = false; // the entries under a section line that could not be read
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        std::string line = trim(raw);
        if (!line.empty() && line.back() == '\r')
            line = trim(line.substr(0, line.size() - 1));
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        auto keepUnread = [&] {
            if (ini.sections_.empty())
                ini.leading_.push_back(line);
            else
                ini.sections_.back().unread.push_back({ini.sections_.back().entries.size(), line});
        };
        auto ignore = [&](const std::string& why) {
            ini.problems_.push_back("Engine configuration " + source + ", line " +
                                    std::to_string(lineNumber) + ": \"" + line + "\" " + why +
                                    "; the line is ignored");
            keepUnread();
        };
        if (line.front() == '[') {
            skipping = line.back() != ']';
            if (skipping)
                ignore("is not a section name, which ends with \"]\"");
            else
                ini.sections_.push_back({trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            ignore("is neither a [section] nor a \"key = value\" line");
        else if (ini.sections_.empty())
            ignore("comes before any [section]");
        else if (skipping)
            keepUnread();
        else
            ini.sections_.back().entries.emplace_back(trim(line.substr(0, equals)),
                                                      unquote(trim(line.substr(equals + 1))));
    }
    return ini;
}

std::string IniFile::format() const {
    std::string text;
    for (const std::string& line : leading_)
        text += line + '\n';
    for (const Section& section : sections_) {
        if (!text.empty())
            text += '\n';
        text += '[' + section.name + "]\n";
        auto unread = section.unread.begin();
        for (std::size_t i = 0; i <= section.entries.size(); ++i) {
            for (; unread != section.unread.end() && unread->after == i; ++unread)
                text += unread->line + '\n';
            if (i < section.entries.size()) {
                const auto& [key, value] = section.entries[i];
                text += key + " = " + (needsQuotes(value) ? '"' + value + '"' : value) + '\n';
            }
        }
    }
    return text;
}

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    for (const Section& section : sections_)
        names.push_back(section.name);
    return names;
}

std::size_t IniFile::indexOf(std::string_view section) const {
    auto it = std::find_if(sections_.begin(), sections_.end(),
                           [&](const Section& s) { return equalsIgnoreCase(s.name, section); });
    return static_cast<std::size_t>(it - sections_.begin());
}

bool IniFile::hasSection(std::string_view section) const {
    return indexOf(section) < sections_.size();
}

IniFile::Entries IniFile::entries(std::string_view section) const {
    std::size_t index = indexOf(section);
    return index < sections_.size() ? sections_[index].entries : Entries();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    for (const auto& [name, value] : entries(section)) {
        if (equalsIgnoreCase(name, key))
            return value;
    }
    return std::nullopt;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::size_t index = indexOf(section);
    if (index == sections_.size())
        sections_.push_back(Section{std::string(section), {}});
    for (auto& [name, old] : sections_[index].entries) {
        if (equalsIgnoreCase(name, key)) {
            old = value;
            return;
        }
    }
    sections_[index].entries.emplace_back(std::string(key), std::string(value));
}

bool IniFile::removeSection(std::string_view section) {
    std::size_t index = indexOf(section);
    if (index == sections_.size())
        return false;
    sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

} // namespace engine
