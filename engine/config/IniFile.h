#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

// An INI text: named sections of `key = value` entries, kept in file order so
// that a rewrite changes only what was changed. Section and key names compare
// case-insensitively. Lines starting with ";" or "#" are comments and are not
// kept. A value with blanks at either end is written in double quotes.
class IniFile {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // `source` names the text in problems() (the file name). A line that is
    // neither a section, an entry nor a comment is left out (with the entries
    // of a section line that could not be read) and the rest still serves.
    static IniFile parse(std::string_view text, const std::string& source);
    // One message per line that parse() left out, naming the source and the
    // line. format() writes those lines back as they were, where they were.
    const std::vector<std::string>& problems() const { return problems_; }
    std::string format() const;

    std::vector<std::string> sectionNames() const;
    bool hasSection(std::string_view section) const;
    // The entries of a section; empty when the section is missing.
    Entries entries(std::string_view section) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Sets a value, adding the section and the key at the end when missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // False when there was no such section.
    bool removeSection(std::string_view section);

private:
    // A line that could not be read, kept to be written back: it stood
    // after the first `after` entries of its section.
    struct Unread {
        std::size_t after;
        std::string line;
    };
    struct Section {
        std::string name;
        Entries entries;
        std::vector<Unread> unread = {};
    };
    // Index of the section, or sections_.size() when missing.
    std::size_t indexOf(std::string_view section) const;

    std::vector<Section> sections_;
    std::vector<std::string> leading_; // unread lines before the first section
    std::vector<std::string> problems_;
};

} // namespace engine
