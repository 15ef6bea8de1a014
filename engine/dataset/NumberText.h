#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// A number as text: with `decimals` >= 0 fixed to that many decimals, with
// -1 in its shortest exact form ("12.5", "3", "-0.25").
std::string formatNumber(double value, int decimals);
// Parses a whole text as a decimal number ("12", "-3.5", "1e3"); nullopt otherwise.
std::optional<double> parseNumber(std::string_view text);
// Characters (code points) of a UTF-8 text.
std::size_t utf8Length(std::string_view text);

} // namespace engine
