#pragma once

#include "engine/dbase/MdxTag.h"

#include <string>
#include <vector>

namespace engine::dbase {

// What the table says a tag should hold: per record number (from 1), whether
// the record passes the FOR condition and its encoded key.
struct MdxExpected {
    std::uint32_t records = 0;
    std::vector<bool> passes; // index recno - 1
    std::string keys;         // key length bytes per record, back to back
};

// Walks the tag's tree and compares it with `expected`: node pointers,
// counts, order, highest keys of interior entries, leaf links, and exactly
// one entry with the right key for every record that passes (UNIQUE: at most
// one, and one entry per key). Returns one line per fault, at most `limit` of them plus a summary.
std::vector<std::string> checkTag(MdxTag& tag, const MdxExpected& expected, std::size_t limit = 20);

} // namespace engine::dbase
