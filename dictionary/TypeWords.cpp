#include "dictionary/TypeWords.h"

namespace dictionary {

std::string fieldTypeWord(char code) {
    switch (code) {
    case 'C':
        return "Character";
    case 'N':
        return "Number";
    case 'D':
        return "Date";
    case 'L':
        return "Logical";
    case 'M':
        return "Memo";
    case 'O':
        return "Ole";
    default:
        return {};
    }
}

} // namespace dictionary
