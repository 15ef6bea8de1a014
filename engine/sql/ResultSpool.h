#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// The rows of a query result, kept in a private temporary SQLite database
// (on disk once they outgrow its small page cache) and read back one at a
// time by their number, so that a large result is never held in memory.
// The store grows to `byteLimit` at most, so that a query without end stops.
class ResultSpool {
public:
    ResultSpool(int columnCount, std::uint64_t byteLimit);
    ~ResultSpool();
    ResultSpool(const ResultSpool&) = delete;
    ResultSpool& operator=(const ResultSpool&) = delete;

    // Keeps the row `stmt` (a statement of another connection) stands on.
    void append(sqlite3_stmt* stmt);
    // Ends the writing; rows can be read from then on.
    void finish();
    std::size_t size() const { return size_; }
    // A statement standing on row `index` (from 0) whose columns are the
    // row's values, valid until the next call.
    sqlite3_stmt* row(std::size_t index);

private:
    void exec(const char* sql);
    [[noreturn]] void failed(const char* what);

    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> insert_;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> select_;
    int columnCount_;
    std::uint64_t byteLimit_;
    std::uint64_t stored_ = 0; // bytes of the values kept so far
    std::size_t size_ = 0;
};

} // namespace engine
