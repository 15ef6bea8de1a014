#pragma once

namespace engine::detail {

// Unicode of the bytes 0x80..0xFF of each code page; 0xFFFF where the byte is unassigned.
extern const char16_t kCp437[128];
extern const char16_t kCp850[128];
extern const char16_t kCp852[128];
extern const char16_t kCp866[128];
extern const char16_t kCp1250[128];
extern const char16_t kCp1251[128];
extern const char16_t kCp1252[128];
extern const char16_t kLatin1[128];

} // namespace engine::detail
