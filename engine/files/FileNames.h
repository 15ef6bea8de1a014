#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace engine {

// Refuses a table or field name that is not a plain name: empty, a path
// separator, "..", a drive ("A:"), or a character a file name cannot hold.
// Throws EngineError(InvalidName) naming `what` ("Table name", "Field name").
void requirePlainName(std::string_view name, std::string_view what);

// `dir / name` for a table name that must stay in `dir`: refuses (as
// requirePlainName) a name with a separator, "..", a drive or a character
// no file name may hold, so a name never reaches outside its directory.
std::filesystem::path tableInDirectory(const std::filesystem::path& dir, const std::string& name);

// The file `name` in `dir`, found case-insensitively (an exact match wins);
// dir / name when no such file exists.
std::filesystem::path findFile(const std::filesystem::path& dir, const std::string& name);

// `path` with its extension replaced, found case-insensitively beside it
// ("T.DBF" -> "t.mdx" when only the lower-case file exists). New files get
// the extension in the case of the table's own extension.
std::filesystem::path companionFile(const std::filesystem::path& table, std::string_view ext);

// Writes `bytes` to a temporary file beside `target` and renames it over the
// target, so a crash leaves the old file or the new one, never half of one.
// A symbolic link is followed (the file it points at gets the bytes, the link
// stays); the new file keeps the old one's mode and, where the system allows,
// its owner; a file that its user may not write is an error and stays.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace engine
