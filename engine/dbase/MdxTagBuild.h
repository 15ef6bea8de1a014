#pragma once

#include "engine/dbase/MdxTag.h"
#include "engine/dbase/ProductionIndex.h"

#include <vector>

namespace engine::dbase {

// Fills the trees of `tags` from the table in one pass over its records:
// keys collected, sorted in each tag's order (UNIQUE keeps the first record
// of a key) and loaded bottom-up into new blocks; tag headers written. The
// tags' header pages must already be allocated.
void buildTags(const std::vector<MdxTag*>& tags, const ProductionIndex::RecordSource& records);

} // namespace engine::dbase
