#include "engine/sql/ResultSpool.h"

#include "engine/base/EngineError.h"

#include <sqlite3.h>
#include <string>

namespace engine {

ResultSpool::ResultSpool(int columnCount, std::uint64_t byteLimit)
    : db_(nullptr, &sqlite3_close), insert_(nullptr, &sqlite3_finalize),
      select_(nullptr, &sqlite3_finalize), columnCount_(columnCount), byteLimit_(byteLimit) {
    sqlite3* raw = nullptr;
    // An empty name is a private database in a temporary file that SQLite
    // deletes when it is closed.
    int rc = sqlite3_open("", &raw);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        failed("open");
    exec("PRAGMA journal_mode = MEMORY");
    exec("PRAGMA synchronous = OFF");
    std::string columns;
    std::string slots = "?";
    for (int i = 0; i < columnCount_; ++i) {
        columns += ", c" + std::to_string(i); // no type: values keep their own
        slots += ", ?";
    }
    exec(("CREATE TABLE result(n INTEGER PRIMARY KEY" + columns + ")").c_str());
    exec("BEGIN");
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_.get(), ("INSERT INTO result VALUES(" + slots + ")").c_str(), -1,
                           &stmt, nullptr) != SQLITE_OK)
        failed("prepare");
    insert_.reset(stmt);
}

ResultSpool::~ResultSpool() = default;

void ResultSpool::exec(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failed("write");
}

void ResultSpool::failed(const char* what) {
    std::string reason = db_ ? sqlite3_errmsg(db_.get()) : "out of memory";
    throw EngineError(code::SqlError,
                      std::string("Cannot ") + what + " the query's result store: " + reason);
}

void ResultSpool::append(sqlite3_stmt* stmt) {
    sqlite3_stmt* insert = insert_.get();
    sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(size_));
    stored_ += sizeof(sqlite3_int64);
    for (int i = 0; i < columnCount_; ++i) {
        if (sqlite3_bind_value(insert, i + 2, sqlite3_column_value(stmt, i)) != SQLITE_OK)
            failed("write");
        int type = sqlite3_column_type(stmt, i); // asking for the bytes of a number converts it
        stored_ += sizeof(sqlite3_int64);
        if (type == SQLITE_TEXT || type == SQLITE_BLOB)
            stored_ += static_cast<std::uint64_t>(sqlite3_column_bytes(stmt, i));
    }
    if (stored_ > byteLimit_)
        throw EngineError(code::SqlError, "The query's result takes more than " +
                                              std::to_string(byteLimit_ / (1024 * 1024)) +
                                              " MB; narrow the query or read it row by row");
    int rc = sqlite3_step(insert);
    sqlite3_reset(insert);
    if (rc != SQLITE_DONE)
        failed("write");
    ++size_;
}

void ResultSpool::finish() {
    insert_.reset();
    exec("COMMIT");
    std::string columns;
    for (int i = 0; i < columnCount_; ++i)
        columns += (i ? ", c" : "c") + std::to_string(i);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_.get(), ("SELECT " + columns + " FROM result WHERE n = ?").c_str(),
                           -1, &stmt, nullptr) != SQLITE_OK)
        failed("read");
    select_.reset(stmt);
}

sqlite3_stmt* ResultSpool::row(std::size_t index) {
    sqlite3_stmt* select = select_.get();
    sqlite3_reset(select);
    sqlite3_bind_int64(select, 1, static_cast<sqlite3_int64>(index));
    if (sqlite3_step(select) != SQLITE_ROW)
        failed("read");
    return select;
}

} // namespace engine
