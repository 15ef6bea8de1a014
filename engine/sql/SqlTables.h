#pragma once

#include <filesystem>
#include <string>

struct sqlite3;

namespace engine {

// Lets the connection read table files as virtual tables, with the DECIMAL
// collation their widest numeric columns use.
void registerTableModule(sqlite3* db);

// Makes the table file `name` of `dir` (.DBF, else .DB; "temp.NAME" too) a
// virtual table of the connection; false when there is no such file.
// Queries read the live file through the engine; deleted rows are not seen.
// Columns: character and memo as text without trailing blanks, numbers as
// integers or doubles, or, in a column that can hold more digits than these
// keep exactly, every value as its decimal text, ordered and compared as a
// number digit by digit; dates as YYYY-MM-DD text
// declared DATE, logicals as 1/0 declared BOOLEAN, binary as blobs.
bool attachTable(sqlite3* db, const std::filesystem::path& dir, std::string name);

// The SQL text with every double-quoted string turned into a single-quoted
// literal, so "A" is a string even where a column A exists.
std::string quoteStrings(const std::string& sql);

} // namespace engine
