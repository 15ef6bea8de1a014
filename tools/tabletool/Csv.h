#pragma once

#include <cstdio>
#include <istream>
#include <string>
#include <string_view>
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

// Writes CSV rows to a FILE, quoting only where needed. Rows collect in a
// buffer that reaches the FILE in large writes (at the latest when the
// writer goes), so that a row costs no call into stdio.
class CsvWriter {
public:
    explicit CsvWriter(std::FILE* out) : out_(out) {}
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;
    ~CsvWriter() { flush(); }

    void write(const std::vector<std::string>& row);
    // A row cell by cell: cell() for each, then endRow().
    void cell(std::string_view text);
    // Or, to write a cell's text in place: append it to what beginCell()
    // returns, then call endCell(), which quotes it where needed; text that
    // cannot hold a comma, a quote or a line break (a number, a date) may
    // skip the look with mayNeedQuotes false.
    std::string& beginCell();
    void endCell(bool mayNeedQuotes = true);
    void endRow();
    void flush();

private:
    std::FILE* out_;
    std::string buffer_;
    std::size_t cellStart_ = 0;
    std::string quoted_; // scratch of endCell()
    bool rowStarted_ = false;
};

} // namespace tabletool
