#include "engine/values/Codepage.h"

#include "engine/base/EngineError.h"
#include "engine/values/CodepageTables.h"

#include <cstdio>

namespace engine {

namespace {

const char16_t* tableFor(int number) {
    switch (number) {
    case 437:
        return detail::kCp437;
    case 850:
        return detail::kCp850;
    case 852:
        return detail::kCp852;
    case 866:
        return detail::kCp866;
    case 1250:
        return detail::kCp1250;
    case 1251:
        return detail::kCp1251;
    case Codepage::Latin1:
        return detail::kLatin1;
    case 1252:
        return detail::kCp1252;
    default:
        throw EngineError(code::NotSupported,
                          "Code page " + std::to_string(number) + " is not supported");
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `i`; returns U+FFFD for malformed input.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    int extra = (c >= 0xF0) ? 3 : (c >= 0xE0) ? 2 : (c >= 0xC0) ? 1 : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

} // namespace

Codepage::Codepage(int number) : number_(number), upper_(tableFor(number)) {}

std::string Codepage::toUtf8(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else
            appendUtf8(out, upper_[b - 0x80] == 0xFFFF ? char32_t(0xFFFD) : upper_[b - 0x80]);
    }
    return out;
}

std::string Codepage::fromUtf8(std::string_view utf8, std::string_view context) const {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = nextCodePoint(utf8, i);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        int found = -1;
        for (int b = 0; b < 128; ++b)
            if (upper_[b] == cp) {
                found = b;
                break;
            }
        if (found < 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
            throw EngineError(code::CodePage, std::string(context) + ": character " + buf +
                                                  " cannot be stored in code page " +
                                                  std::to_string(number_));
        }
        out += static_cast<char>(0x80 + found);
    }
    return out;
}

std::uint8_t Codepage::dbaseDriverId() const {
    switch (number_) {
    case 437:
        return 0x01;
    case 850:
        return 0x02;
    case 852:
        return 0x64;
    case 866:
        return 0x65;
    case 1250:
        return 0xC8;
    case 1251:
        return 0xC9;
    default:
        return 0x57;
    }
}

namespace {

// The language drivers of dBase and FoxPro, by the code page they name,
// for the pages this engine carries.
int pageOfDriver(std::uint8_t id) {
    switch (id) {
    case 0x01: // US MS-DOS
    case 0x09: // Dutch OEM
    case 0x0B: // Finnish OEM
    case 0x0D: // French OEM
    case 0x0F: // German OEM
    case 0x11: // Italian OEM
    case 0x15: // Swedish OEM
    case 0x18: // Spanish OEM
    case 0x19: // English OEM (Britain)
    case 0x1B: // English OEM (U.S.), dBase "DB437US0"
        return 437;
    case 0x02: // International MS-DOS
    case 0x0A: // Dutch OEM, secondary
    case 0x0C: // Finnish OEM, secondary
    case 0x0E: // French OEM, secondary
    case 0x10: // German OEM, secondary
    case 0x12: // Italian OEM, secondary
    case 0x14: // Spanish OEM, secondary
    case 0x16: // Swedish OEM, secondary
    case 0x1A: // English OEM (Britain), secondary
    case 0x1D: // French OEM (Canada), secondary
    case 0x25: // Portuguese OEM, secondary
    case 0x37: // English OEM (U.S.), secondary
        return 850;
    case 0x1F: // Czech OEM
    case 0x22: // Hungarian OEM
    case 0x23: // Polish OEM
    case 0x40: // Romanian OEM
    case 0x64: // Eastern European MS-DOS
    case 0x87: // Slovenian OEM
        return 852;
    case 0x26: // Russian OEM
    case 0x65: // Russian MS-DOS
        return 866;
    case 0xC8: // Eastern European Windows
        return 1250;
    case 0xC9: // Russian Windows
        return 1251;
    case 0x00: // unspecified: this engine's own default
    case 0x03: // Windows ANSI
    case 0x57: // ANSI
    case 0x58: // Western European ANSI
    case 0x59: // Spanish ANSI
        return 1252;
    default:
        return 0;
    }
}

} // namespace

bool Codepage::mapsDbaseDriver(std::uint8_t id) {
    return pageOfDriver(id) != 0;
}

Codepage Codepage::fromDbaseDriverId(std::uint8_t id) {
    int page = pageOfDriver(id);
    return Codepage(page != 0 ? page : Codepage::Latin1);
}

} // namespace engine
