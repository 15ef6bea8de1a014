#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// A single-byte code page of a table. Text is stored in the code page and
// handed to the programs as UTF-8; a character the page cannot hold is an
// error, never a silent '?'.
class Codepage {
public:
    // ISO 8859-1, every byte the character of its number: how the text of a
    // table whose page we do not carry is shown.
    static constexpr int Latin1 = 28591;

    // 437, 850, 852, 866, 1250, 1251, 1252, Latin1; throws EngineError(NotSupported) otherwise.
    explicit Codepage(int number);

    int number() const { return number_; }

    std::string toUtf8(std::string_view bytes) const;
    // Throws EngineError(CodePage) naming `context` and the character.
    std::string fromUtf8(std::string_view utf8, std::string_view context) const;

    // dBase language-driver byte of the page (cp1252 -> 0x57, cp437 -> 0x01, ...).
    std::uint8_t dbaseDriverId() const;
    // Whether a dBase or FoxPro language-driver byte names a page we carry.
    static bool mapsDbaseDriver(std::uint8_t id);
    // The page of a dBase or FoxPro language-driver byte (0x26 and 0x65 are
    // cp866, 0x1B the dBase "DB437US0" driver, ...); 0 (unspecified) reads as
    // cp1252, a driver that names a page we do not carry as Latin1.
    static Codepage fromDbaseDriverId(std::uint8_t id);

private:
    int number_;
    const char16_t* upper_; // Unicode of bytes 0x80..0xFF
};

} // namespace engine
