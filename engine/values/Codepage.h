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
    // 437, 850, 852, 866, 1250, 1251, 1252; throws EngineError(NotSupported) otherwise.
    explicit Codepage(int number);

    int number() const { return number_; }

    std::string toUtf8(std::string_view bytes) const;
    // Throws EngineError(CodePage) naming `context` and the character.
    std::string fromUtf8(std::string_view utf8, std::string_view context) const;

    // dBase language-driver byte of the page (cp1252 -> 0x57, cp437 -> 0x01, ...).
    std::uint8_t dbaseDriverId() const;
    // The page of a dBase language-driver byte; 0 (unspecified) reads as cp1252
    // (cp437 for 0x1B, the dBase "DB437US0" driver).
    static Codepage fromDbaseDriverId(std::uint8_t id);

private:
    int number_;
    const char16_t* upper_; // Unicode of bytes 0x80..0xFF
};

} // namespace engine
