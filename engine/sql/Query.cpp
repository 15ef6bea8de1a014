#include "engine/sql/Query.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/Location.h"
#include "engine/sql/SqlTables.h"
#include "engine/values/NumberText.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace engine {

namespace {

// The text on one line, for a message.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return text;
}

[[noreturn]] void sqlFailed(sqlite3* db, const std::string& sql) {
    std::string reason = sqlite3_errcode(db) == SQLITE_AUTH ? "only a SELECT can be run as a query"
                                                            : sqlite3_errmsg(db);
    throw EngineError(code::SqlError, "Query failed: " + reason + " in \"" + oneLine(sql) + "\"");
}

// What a query's text may do: read. ATTACH, PRAGMA, VACUUM and writes are refused.
int readingOnly(void*, int action, const char*, const char*, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// Prepares the first statement of `sql` as one that only reads.
bool prepareReading(sqlite3* db, const char* sql, sqlite3_stmt** stmt, const char** rest) {
    sqlite3_set_authorizer(db, readingOnly, nullptr);
    int rc = sqlite3_prepare_v2(db, sql, -1, stmt, rest);
    sqlite3_set_authorizer(db, nullptr, nullptr); // the engine's own statements may do more
    return rc == SQLITE_OK;
}

std::optional<int> declaredNumber(const std::string& text) {
    int n = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (r.ec != std::errc())
        return std::nullopt;
    return n;
}

// The result column's field, from the type its table declares.
FieldDef resultColumn(sqlite3_stmt* stmt, int i) {
    FieldDef def;
    def.name = sqlite3_column_name(stmt, i);
    const char* declared = sqlite3_column_decltype(stmt, i);
    std::string type = declared ? toUpperAscii(declared) : "";
    if (type.rfind("CHAR(", 0) == 0) {
        def.type = FieldType::Character;
        def.length = declaredNumber(type.substr(5)).value_or(0);
    } else if (type.rfind("NUMERIC", 0) == 0) { // NUMERIC(w,d) or NUMERICTEXT(w,d)
        def.type = FieldType::Numeric;
        def.length = declaredNumber(type.substr(type.find('(') + 1)).value_or(0);
        def.decimals = declaredNumber(type.substr(type.find(',') + 1)).value_or(0);
    } else if (type.rfind("BCD", 0) == 0) { // BCD(d) or BCDTEXT(d)
        def.type = FieldType::Bcd;
        def.decimals = declaredNumber(type.substr(type.find('(') + 1)).value_or(0);
    } else if (type == "DATE") {
        def.type = FieldType::Date;
        def.length = 8;
    } else if (type == "BOOLEAN") {
        def.type = FieldType::Logical;
        def.length = 1;
    } else if (type == "MEMO") {
        def.type = FieldType::Memo;
    } else if (type == "INTEGER") {
        def.type = FieldType::Long;
    } else if (type == "BLOB") {
        def.type = FieldType::Binary;
    } else {
        // An expression: typed by its first value.
        switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            def.type = FieldType::Long;
            break;
        case SQLITE_FLOAT:
            def.type = FieldType::Double;
            break;
        case SQLITE_BLOB:
            def.type = FieldType::Binary;
            break;
        default:
            def.type = FieldType::Memo;
            break;
        }
    }
    return def;
}

Value columnValue(sqlite3_stmt* stmt, int i, const FieldDef& def) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
        return Value();
    case SQLITE_INTEGER:
        if (def.type == FieldType::Logical)
            return Value(sqlite3_column_int64(stmt, i) != 0);
        if (def.type == FieldType::Numeric)
            return Value(decimalOf(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i))));
        if (def.type == FieldType::Double)
            return Value(static_cast<double>(sqlite3_column_int64(stmt, i)));
        return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(stmt, i));
    case SQLITE_BLOB: {
        const char* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
        return Value(Blob{std::string(data, data + sqlite3_column_bytes(stmt, i))});
    }
    default: {
        std::string text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                         sqlite3_column_bytes(stmt, i));
        if (def.type == FieldType::Date) {
            if (auto d = Date::fromIso(text))
                return Value(*d);
        }
        if (def.type == FieldType::Numeric || def.type == FieldType::Bcd) {
            if (auto d = parseDecimal(text))
                return Value(std::move(*d)); // beyond what SQLite holds exactly
        }
        return Value(std::move(text));
    }
    }
}

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const Value& v, const std::string& sql) {
    int rc;
    if (v.isNull())
        rc = sqlite3_bind_null(stmt, index);
    else if (v.isText())
        rc = sqlite3_bind_text(stmt, index, v.text().data(), static_cast<int>(v.text().size()),
                               SQLITE_TRANSIENT);
    else if (v.isDecimal() && toInt64(v.decimal()) && decimalPlaces(v.decimal()) == 0)
        rc = sqlite3_bind_int64(stmt, index, *toInt64(v.decimal()));
    else if (v.isNumber())
        rc = sqlite3_bind_double(stmt, index, v.number());
    else if (v.isInteger())
        rc = sqlite3_bind_int64(stmt, index, v.integer());
    else if (v.isBool())
        rc = sqlite3_bind_int(stmt, index, v.boolean() ? 1 : 0);
    else if (v.isDate()) {
        std::string iso = v.date().toIso();
        rc = sqlite3_bind_text(stmt, index, iso.data(), static_cast<int>(iso.size()),
                               SQLITE_TRANSIENT);
    } else
        rc = sqlite3_bind_blob(stmt, index, v.blob().bytes.data(),
                               static_cast<int>(v.blob().bytes.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        sqlFailed(db, sql);
}

} // namespace

// The connection and the prepared statement of an open result.
struct TQuery::Statement {
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db{nullptr, &sqlite3_close};
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt{nullptr, &sqlite3_finalize};
    std::string sql;
};

TQuery::TQuery() = default;

TQuery::~TQuery() {
    try {
        Close();
    } catch (...) {
        // Nothing to release but memory.
    }
}

TParam& TQuery::ParamByName(const std::string& name) {
    return params_[toUpperAscii(name)];
}

void TQuery::internalOpen() {
    auto s = std::make_unique<Statement>();
    for (std::size_t i = 0; i < SQL.size(); ++i)
        s->sql += (i ? "\n" : "") + SQL[i];
    s->sql = quoteStrings(s->sql);

    sqlite3* raw = nullptr;
    if (sqlite3_open(":memory:", &raw) != SQLITE_OK) {
        sqlite3_close(raw);
        throw EngineError(code::SqlError, "Cannot start the query engine");
    }
    s->db.reset(raw);
    sqlite3_limit(raw, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_exec(raw, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    registerTableModule(raw);
    std::filesystem::path dir = resolveLocation(DatabaseName);

    // Each table the text names is opened when SQLite asks for it.
    const std::string missing = "no such table: ";
    sqlite3_stmt* rawStmt = nullptr;
    const char* rest = nullptr;
    while (!prepareReading(raw, s->sql.c_str(), &rawStmt, &rest)) {
        std::string error = sqlite3_errmsg(raw);
        if (error.rfind(missing, 0) != 0 || !attachTable(raw, dir, error.substr(missing.size())))
            sqlFailed(raw, s->sql);
    }
    if (!rawStmt)
        throw EngineError(code::SqlError, "Query failed: the text holds no statement in \"" +
                                              oneLine(s->sql) + "\"");
    s->stmt.reset(rawStmt);
    sqlite3_stmt* second = nullptr;
    if (!prepareReading(raw, rest, &second, nullptr) || second) {
        sqlite3_finalize(second);
        throw EngineError(code::SqlError,
                          "Query failed: the text holds more than one statement in \"" +
                              oneLine(s->sql) + "\"");
    }
    for (int i = 1; i <= sqlite3_bind_parameter_count(rawStmt); ++i) {
        const char* name = sqlite3_bind_parameter_name(rawStmt, i);
        if (!name)
            continue;
        auto it = params_.find(toUpperAscii(name + 1));
        if (it == params_.end())
            throw EngineError(code::SqlError,
                              std::string("Query parameter ") + name + " has no value");
        bindValue(raw, rawStmt, i, it->second.value(), s->sql);
    }

    statement_ = std::move(s);
    columns_.clear();
    streamedRow_.clear();
    streamed_ = index_ = 0;
    // The first step types the columns that an expression makes.
    bool more = stepStatement();
    if (UniDirectional) {
        if (more)
            streamedRow_ = rowOf(statement_->stmt.get());
        return;
    }
    auto spool = std::make_unique<ResultSpool>(static_cast<int>(columns_.size()), ResultLimit);
    for (; more; more = stepStatement())
        spool->append(statement_->stmt.get());
    spool->finish();
    spool_ = std::move(spool);
}

bool TQuery::stepStatement() {
    if (!statement_)
        return false;
    sqlite3_stmt* stmt = statement_->stmt.get();
    int rc = sqlite3_step(stmt);
    if (columns_.empty())
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            columns_.push_back(resultColumn(stmt, i));
    if (rc == SQLITE_DONE) {
        statement_.reset(); // the tables are closed at the end of the result
        return false;
    }
    if (rc != SQLITE_ROW)
        sqlFailed(statement_->db.get(), statement_->sql);
    ++streamed_;
    return true;
}

Record TQuery::rowOf(sqlite3_stmt* stmt) const {
    Record row;
    row.reserve(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i)
        row.push_back(columnValue(stmt, static_cast<int>(i), columns_[i]));
    return row;
}

void TQuery::internalClose() {
    statement_.reset();
    spool_.reset();
    columns_.clear();
    streamedRow_.clear();
    streamed_ = index_ = 0;
}

void TQuery::requireScrollable(const char* what) const {
    if (UniDirectional)
        throw EngineError(code::InvalidParameter,
                          std::string("A unidirectional query cannot ") + what);
}

std::size_t TQuery::RecordCount() {
    requireScrollable("count its rows");
    return spool_ ? spool_->size() : 0;
}

bool TQuery::moveTo(std::size_t index) {
    if (spool_) {
        if (index >= spool_->size())
            return false;
        current_ = rowOf(spool_->row(index));
    } else {
        if (index + 1 < streamed_)
            requireScrollable("move back");
        while (streamed_ <= index) {
            if (!stepStatement())
                return false;
            streamedRow_ = rowOf(statement_->stmt.get());
        }
        current_ = streamedRow_;
    }
    index_ = index;
    return true;
}

bool TQuery::GotoRecNo(RowId row) {
    if (!Active() || row == NoRow)
        return false;
    CheckBrowseMode();
    if (!moveTo(row - 1))
        return false;
    hasRow_ = true;
    setEofBof(false, false);
    rowChanged();
    return true;
}

bool TQuery::internalFirst() {
    return moveTo(0);
}
bool TQuery::internalLast() {
    requireScrollable("move to its last row");
    return spool_ && spool_->size() > 0 && moveTo(spool_->size() - 1);
}
bool TQuery::internalNext() {
    return moveTo(index_ + 1);
}
bool TQuery::internalPrior() {
    return index_ > 0 && moveTo(index_ - 1);
}
bool TQuery::internalResync() {
    return moveTo(index_);
}

void TQuery::internalRefresh() {
    std::size_t keep = index_;
    internalClose();
    internalOpen();
    if (!moveTo(keep))
        index_ = 0;
}

void TQuery::internalPost(bool, const Record&) {
    throw EngineError(code::ReadOnly, "A query result cannot be modified");
}

bool TQuery::internalDelete() {
    throw EngineError(code::ReadOnly, "A query result cannot be modified");
}

} // namespace engine
