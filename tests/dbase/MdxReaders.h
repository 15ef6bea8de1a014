#pragma once

#include "MdxTestTable.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

// What the independent readers see in an MDX: Perl XBase::Index (keys in
// index order) and our Python structural checker (tests/dbase/mdx_read.py).
struct ReaderEntry {
    std::string key; // C text, N number, D Julian day, as printed
    engine::RowId recno = 0;
};

struct ReaderTag {
    std::string type;
    int keyLength = 0;
    int levels = 0;
    bool descending = false, unique = false, hasFor = false;
    std::string expression, forCondition;
    std::vector<ReaderEntry> entries;
};

inline std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t'))
        parts.push_back(part);
    if (!line.empty() && line.back() == '\t')
        parts.push_back("");
    return parts;
}

inline ReaderEntry parseEntry(const std::string& line) {
    auto tab = line.rfind('\t');
    return ReaderEntry{line.substr(0, tab), std::stoull(line.substr(tab + 1))};
}

// Runs the Python checker; an assertion failure there leaves the map empty.
inline std::map<std::string, ReaderTag> readWithPython(const std::filesystem::path& mdx) {
    support::RunOptions options;
    options.errorsToOutput = true;
    support::Outcome read = support::run(
        {"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/dbase/mdx_read.py", mdx.string()}, options);
    const std::string& out = read.out;
    int status = read.status;
    std::map<std::string, ReaderTag> tags;
    if (status != 0) {
        ADD_FAILURE() << "mdx_read.py failed on " << mdx << ":\n" << out;
        return tags;
    }
    std::stringstream in(out);
    std::string line;
    ReaderTag* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("#tag\t", 0) == 0) {
            auto p = splitTabs(line);
            current = &tags[p[1]];
            current->type = p[2];
            current->keyLength = std::stoi(p[3]);
            current->levels = std::stoi(p[4]);
            current->descending = p[5] == "1";
            current->unique = p[6] == "1";
            current->hasFor = p[7] == "1";
            current->expression = p[8];
            current->forCondition = p.size() > 9 ? p[9] : "";
        } else if (current) {
            current->entries.push_back(parseEntry(line));
        }
    }
    return tags;
}

// Keys of one tag in index order as Perl XBase::Index walks them.
inline std::vector<ReaderEntry> readWithPerl(const std::filesystem::path& mdx,
                                             const std::string& tag) {
    auto script = mdx.parent_path() / "mdxkeys.pl";
    std::ofstream(script) << R"(use strict; use warnings; use XBase::Index;
my ($file, $tag) = @ARGV;
my $ix = XBase::Index->new($file, tag => $tag) or die XBase::Index->errstr;
my $type = $ix->{active}{key_type};
$ix->prepare_select;
while (my ($key, $recno) = $ix->fetch) {
    if ($type eq 'N') {
        my ($exp, $flags, @bytes) = unpack 'C C C10', $key;
        my $digits = substr(join('', map { sprintf '%02x', $_ } @bytes), 0, ($flags >> 2) & 31);
        $key = ($flags & 0x80 ? '-' : '') . '0.' . ($digits eq '' ? '0' : $digits) . 'E' . ($exp - 0x34);
    } elsif ($type eq 'D') {
        $key = unpack 'd<', $key;
    }
    print "$key\t$recno\n";
}
)";
    support::RunOptions options;
    options.errorsToOutput = true;
    support::Outcome read = support::run({"perl", script.string(), mdx.string(), tag}, options);
    const std::string& out = read.out;
    int status = read.status;
    std::vector<ReaderEntry> entries;
    if (status != 0) {
        ADD_FAILURE() << "Perl XBase::Index failed on " << mdx << " tag " << tag << ":\n" << out;
        return entries;
    }
    std::stringstream in(out);
    std::string line;
    while (std::getline(in, line))
        entries.push_back(parseEntry(line));
    return entries;
}

inline std::vector<engine::RowId> recnosOf(const std::vector<ReaderEntry>& entries) {
    std::vector<engine::RowId> r;
    for (const auto& e : entries)
        r.push_back(e.recno);
    return r;
}

inline std::vector<engine::RowId> cursorOrder(engine::dbase::ProductionIndex& index,
                                              const std::string& tag) {
    std::vector<engine::RowId> rows;
    auto c = index.cursor(tag);
    while (c->next())
        rows.push_back(c->row());
    return rows;
}
