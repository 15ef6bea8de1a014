#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace engine {

// Result codes of the engine. 0 is success; the others follow the classic
// database-engine numbering so that callers can map them to their own messages.
namespace code {
inline constexpr std::uint16_t Success = 0;
inline constexpr std::uint16_t NotFound = 0x2201;         // record or key not found
inline constexpr std::uint16_t AliasNotFound = 0x2208;    // unknown alias
inline constexpr std::uint16_t EndOfTable = 0x2202;       // moved past the end
inline constexpr std::uint16_t FileCorrupt = 0x2101;      // damaged table, memo or index file
inline constexpr std::uint16_t IndexCorrupt = 0x2104;     // index does not match its table
inline constexpr std::uint16_t IndexOutOfDate = 0x2106;   // index older than its table
inline constexpr std::uint16_t FileNotFound = 0x2703;     // table or companion file missing
inline constexpr std::uint16_t InvalidParameter = 0x2702; // bad argument
inline constexpr std::uint16_t AliasExists = 0x2719;      // alias already defined
inline constexpr std::uint16_t IndexExists = 0x272B;      // index or tag name already taken
inline constexpr std::uint16_t FileExists = 0x2B23;       // table or file already there
inline constexpr std::uint16_t BadPath = 0x271D;          // directory missing or not a directory
inline constexpr std::uint16_t InvalidName = 0x2710;      // table or field name not allowed
inline constexpr std::uint16_t KeyViolation = 0x2601;     // duplicate key in a unique index
inline constexpr std::uint16_t Locked = 0x2901;           // table locked by another program
inline constexpr std::uint16_t ReadOnly = 0x2A04;         // write on a table opened read-only
inline constexpr std::uint16_t NotSupported = 0x3E06;     // file version not supported
inline constexpr std::uint16_t BadExpression = 0x2E33;    // malformed key or filter expression
inline constexpr std::uint16_t BadValue = 0x2E35;         // value does not fit its field
inline constexpr std::uint16_t CodePage = 0x2E36;         // character not in the table's code page
inline constexpr std::uint16_t Interrupted = 0x2406;      // left by an unfinished copy or update
inline constexpr std::uint16_t IoError = 0x2D02;          // operating-system read or write error
inline constexpr std::uint16_t SqlError = 0x3303;         // query failed
inline constexpr std::uint16_t NotActive = 0x2E0A;        // operation needs an open dataset
inline constexpr std::uint16_t TooManyFields = 0x2E02;    // more fields than a table may have
inline constexpr std::uint16_t OutOfMemory = 0x2501;      // not enough memory
// A fault of the engine itself (a check it missed), in the system category:
// the caller's input or files may be odd, but the engine should have said so.
inline constexpr std::uint16_t Internal = 0x2110;
} // namespace code

// The one error type of the engine: a 16-bit result code and a message that
// names the table (or alias) and what went wrong.
class EngineError : public std::runtime_error {
public:
    EngineError(std::uint16_t code, const std::string& message)
        : std::runtime_error(message), code_(code) {}

    std::uint16_t code() const noexcept { return code_; }

private:
    std::uint16_t code_;
};

} // namespace engine
