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

void CsvWriter::write(const std::vector<std::string>& row) {
    line_.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            line_ += ',';
        const std::string& f = row[i];
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            line_ += f;
            continue;
        }
        line_ += '"';
        for (char c : f) {
            if (c == '"')
                line_ += '"';
            line_ += c;
        }
        line_ += '"';
    }
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

} // namespace tabletool
