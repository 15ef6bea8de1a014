#pragma once

#include <cstdint>
#include <functional>

namespace support {

// The code of the engine error that `work` throws; code::Success (0) when it
// throws none.
std::uint16_t errorCode(const std::function<void()>& work);

} // namespace support
