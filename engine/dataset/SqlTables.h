#pragma once

#include <filesystem>
#include <string>

struct sqlite3;

namespace engine {

// Makes every table file of `dir` (.DBF and .DB) a virtual table of the
// SQLite connection, named after the file without its extension. Queries
// read the live files through the engine; deleted rows are not seen.
// Columns: character and memo as text without trailing blanks, numbers as
// numbers (integers where the field has no decimals), dates as YYYY-MM-DD
// text declared DATE, logicals as 1/0 declared BOOLEAN, binary as blobs.
void attachTables(sqlite3* db, const std::filesystem::path& dir);

// The SQL text with every double-quoted string turned into a single-quoted
// literal, so "A" is a string even where a column A exists.
std::string quoteStrings(const std::string& sql);

} // namespace engine
