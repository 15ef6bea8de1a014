#pragma once

#include <cstddef>

namespace engine::paradox {

// How many bytes of rows or keys a write holds in memory before they go to
// a file: the rows of an append batch, a sorted run of an index build. It
// bounds the memory of a write whatever the size of the table. Tests set it
// small to reach the paths that spill; 0 puts the default back.
std::size_t workingMemory();
void setWorkingMemory(std::size_t bytes);

} // namespace engine::paradox
