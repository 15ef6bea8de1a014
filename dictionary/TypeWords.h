#pragma once

#include <string>

namespace dictionary {

// The display word of a field type code (TMTFLD) in grids and reports:
// "Character", "Number", "Date", "Logical", "Memo", "Ole"; any other
// code gives an empty word.
std::string fieldTypeWord(char code);

// The word of the first character of a TMTFLD text (an empty text reads as a blank).
inline std::string fieldTypeWord(const std::string& code) {
    return fieldTypeWord(code.empty() ? ' ' : code.front());
}

} // namespace dictionary
