#pragma once

#include <string>
#include <string_view>

namespace engine {

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);
std::string toLowerAscii(std::string_view s);
std::string trimRight(std::string_view s); // trailing blanks
std::string trimLeft(std::string_view s);  // leading blanks
std::string trim(std::string_view s);
// True when every byte is 7-bit ASCII (the same in every code page and in UTF-8).
bool isAscii(std::string_view s);

} // namespace engine
