#include "Csv.h"

#include "Arguments.h"

namespace tabletool {

bool CsvReader::readLine() {
    if (!std::getline(in_, text_))
        return false;
    ++lineNumber_;
    lineBreak_ = in_.eof() ? "" : "\n";
    if (!text_.empty() && text_.back() == '\r') {
        text_.pop_back();
        lineBreak_ = "\r\n";
    }
    // A byte-order mark that some programs put before UTF-8 text.
    if (lineNumber_ == 1 && text_.rfind("\xEF\xBB\xBF", 0) == 0)
        text_.erase(0, 3);
    return true;
}

bool CsvReader::next(std::vector<std::string>& row) {
    if (!readLine())
        return false;
    rowLine_ = lineNumber_;
    std::size_t used = 0, pos = 0;
    while (true) {
        if (used == row.size())
            row.emplace_back();
        std::string& field = row[used++];
        field.clear();
        if (pos < text_.size() && text_[pos] == '"') {
            ++pos;
            while (true) {
                std::size_t quote = text_.find('"', pos);
                if (quote == std::string::npos) {
                    // A quoted field runs over the line break, kept as written.
                    field.append(text_, pos);
                    field += lineBreak_;
                    if (!readLine())
                        throw InputError("line " + std::to_string(rowLine_) +
                                         ": a quoted field is never closed");
                    pos = 0;
                    continue;
                }
                field.append(text_, pos, quote - pos);
                pos = quote + 1;
                if (pos < text_.size() && text_[pos] == '"') {
                    field += '"';
                    ++pos;
                    continue;
                }
                break;
            }
        }
        std::size_t comma = text_.find(',', pos);
        field.append(text_, pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    row.resize(used);
    return true;
}

namespace {

constexpr std::size_t kFlushBytes = 1 << 16;

// A cell with one of these must be quoted. A plain loop: find_first_of
// calls memchr once per character of the set for every byte.
bool needsQuotes(std::string_view text) {
    for (char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

} // namespace

std::string& CsvWriter::beginCell() {
    if (rowStarted_)
        buffer_ += ',';
    rowStarted_ = true;
    cellStart_ = buffer_.size();
    return buffer_;
}

void CsvWriter::endCell(bool mayNeedQuotes) {
    std::string_view text = std::string_view(buffer_).substr(cellStart_);
    if (!mayNeedQuotes || !needsQuotes(text))
        return;
    quoted_ = '"';
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
        quoted_.append(text.substr(0, quote + 1));
        quoted_ += '"';
        text.remove_prefix(quote + 1);
    }
    quoted_ += text;
    quoted_ += '"';
    buffer_.replace(cellStart_, std::string::npos, quoted_);
}

void CsvWriter::cell(std::string_view text) {
    beginCell() += text;
    endCell();
}

void CsvWriter::endRow() {
    buffer_ += '\n';
    rowStarted_ = false;
    if (buffer_.size() >= kFlushBytes)
        flush();
}

void CsvWriter::write(const std::vector<std::string>& row) {
    for (const std::string& text : row)
        cell(text);
    endRow();
}

void CsvWriter::flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
}

} // namespace tabletool
