#pragma once

#include "engine/table/FieldDef.h"
#include "engine/table/TableFile.h"

#include <string>
#include <vector>

namespace tabletool {

// A table layout written as "CODE C 10, AMOUNT N 12 2, DAY D": dBase letters
// C N F D L M B G, or for Paradox A n, N, D, L, M n, O, B, S, I, $, +, T, @
// with the key fields marked by a leading '*'.
struct TableLayout {
    engine::FieldList fields;
    std::vector<std::string> keyFields; // Paradox primary key, in order
};

// Throws UsageError naming the item that cannot be read.
TableLayout parseLayout(const std::string& text, engine::TableKind kind);

// The letter of a field type in the table format's own notation.
std::string typeLetter(engine::FieldType type, engine::TableKind kind);

} // namespace tabletool
