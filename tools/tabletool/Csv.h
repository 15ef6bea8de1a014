#pragma once

#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace tabletool {

// Reads CSV rows (comma separated, double quotes around fields that hold
// commas, quotes or line breaks, "" for a quote; CR LF or LF line ends,
// kept as they are inside a quoted field; a leading UTF-8 byte-order mark
// is skipped).
class CsvReader {
public:
    explicit CsvReader(std::istream& in) : in_(in) {}
    // False at the end of the input.
    bool next(std::vector<std::string>& row);
    // Line number where the last row returned started.
    std::size_t line() const { return rowLine_; }

private:
    bool readLine(); // the next physical line into text_, without its CR

    std::istream& in_;
    std::string text_;
    std::string lineBreak_; // how the line in text_ ended
    std::size_t lineNumber_ = 0, rowLine_ = 0;
};

// Writes CSV rows to a FILE, quoting only where needed.
class CsvWriter {
public:
    explicit CsvWriter(std::FILE* out) : out_(out) {}
    void write(const std::vector<std::string>& row);

private:
    std::FILE* out_;
    std::string line_;
};

} // namespace tabletool
