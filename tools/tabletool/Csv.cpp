#include "Csv.h"

#include "Arguments.h"

namespace tabletool {

bool CsvReader::next(std::vector<std::string>& row) {
    row.clear();
    std::string text;
    if (!std::getline(in_, text))
        return false;
    rowLine_ = ++line_;
    std::string field;
    bool quoted = false;
    std::size_t i = 0;
    while (true) {
        if (i == text.size() || (!quoted && text[i] == '\r' && i + 1 == text.size())) {
            if (quoted) {
                // A quoted field runs over the line break.
                std::string more;
                if (!std::getline(in_, more))
                    throw UsageError("line " + std::to_string(rowLine_) +
                                     ": a quoted field is never closed");
                ++line_;
                field += '\n';
                text = std::move(more);
                i = 0;
                continue;
            }
            row.push_back(std::move(field));
            return true;
        }
        char c = text[i++];
        if (quoted) {
            if (c == '"') {
                if (i < text.size() && text[i] == '"')
                    field += '"', ++i;
                else
                    quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
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
