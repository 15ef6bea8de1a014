#pragma once

#include <filesystem>
#include <string>

namespace support {

// The whole content of a file, byte for byte ("" when it cannot be read).
std::string readBytes(const std::filesystem::path& file);
// Replaces the content of a file with `bytes`.
void writeBytes(const std::filesystem::path& file, const std::string& bytes);

} // namespace support
