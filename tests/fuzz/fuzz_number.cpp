// Parses arbitrary text as an exact decimal and checks what the number
// module promises of it: one canonical text, rounding that agrees with the
// digits, doubles that come back as themselves.
#include "engine/values/NumberText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace engine;

namespace {

void require(bool ok) {
    if (!ok)
        std::abort();
}

void checkDecimal(const Decimal& d) {
    // Canonical text parses to itself and keeps its decimals.
    auto again = parseDecimal(d.text);
    require(again && again->text == d.text);
    require(compareDecimals(d, d) == 0);
    bool zero = d.text.find_first_not_of("-0.") == std::string::npos;
    require(!(zero && d.text.front() == '-')); // zero has no sign
    for (int decimals : {0, 1, 2, 5}) {
        bool inexact = false;
        Decimal r = roundDecimal(d, decimals, &inexact);
        require(decimalPlaces(r) == decimals);
        require(inexact == (compareDecimals(r, d) != 0));
        // Half away from zero: never more than half a unit away.
        Decimal again2 = roundDecimal(r, decimals + 1);
        require(compareDecimals(again2, r) == 0);
        require(formatDecimal(r, decimals) == r.text);
    }
    auto whole = toInt64(d);
    if (whole)
        require(compareDecimals(decimalOf(*whole), d) == 0);
    double x = toDouble(d);
    if (auto back = decimalOf(x))
        require(toDouble(*back) == x);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (auto d = parseDecimal(text))
        checkDecimal(*d);
    if (auto n = parseNumber(text)) {
        std::string shortest = formatNumber(*n, -1);
        require(shortest.find_first_of("eE") == std::string::npos);
        auto back = parseNumber(shortest);
        require(back && *back == *n);
    }
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        if (auto d = decimalOf(x)) {
            checkDecimal(*d);
            require(toDouble(*d) == x);
            require(sameNumber(*d, x));
        }
    }
    (void)parseInteger(text);
    return 0;
}
