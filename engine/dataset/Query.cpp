#include "engine/dataset/Query.h"

#include "engine/EngineError.h"
#include "engine/Text.h"
#include "engine/dataset/Location.h"
#include "engine/dataset/SqlTables.h"

#include <memory>
#include <sqlite3.h>

namespace engine {

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

[[noreturn]] void sqlFailed(sqlite3* db, const std::string& sql) {
    throw EngineError(code::SqlError,
                      std::string("Query failed: ") + sqlite3_errmsg(db) + "\n" + sql);
}

// The result column's field, from the type its table declares.
FieldDef resultColumn(sqlite3_stmt* stmt, int i) {
    FieldDef def;
    def.name = sqlite3_column_name(stmt, i);
    const char* declared = sqlite3_column_decltype(stmt, i);
    std::string type = declared ? toUpperAscii(declared) : "";
    if (type.rfind("CHAR(", 0) == 0) {
        def.type = FieldType::Character;
        def.length = std::atoi(type.c_str() + 5);
    } else if (type.rfind("NUMERIC(", 0) == 0) {
        def.type = FieldType::Numeric;
        def.length = std::atoi(type.c_str() + 8);
        def.decimals = std::atoi(type.c_str() + type.find(',') + 1);
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
        if (def.type == FieldType::Numeric || def.type == FieldType::Double)
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
    std::string sql;
    for (std::size_t i = 0; i < SQL.size(); ++i)
        sql += (i ? "\n" : "") + SQL[i];
    sql = quoteStrings(sql);

    sqlite3* raw = nullptr;
    if (sqlite3_open(":memory:", &raw) != SQLITE_OK) {
        sqlite3_close(raw);
        throw EngineError(code::SqlError, "Cannot start the query engine");
    }
    Connection db(raw, &sqlite3_close);
    sqlite3_exec(db.get(), "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    attachTables(db.get(), resolveLocation(DatabaseName));

    sqlite3_stmt* rawStmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &rawStmt, nullptr) != SQLITE_OK)
        sqlFailed(db.get(), sql);
    Statement stmt(rawStmt, &sqlite3_finalize);
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt.get()); ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt.get(), i);
        if (!name)
            continue;
        auto it = params_.find(toUpperAscii(name + 1));
        if (it == params_.end())
            throw EngineError(code::SqlError,
                              std::string("Query parameter ") + name + " has no value");
        bindValue(db.get(), stmt.get(), i, it->second.value(), sql);
    }

    columns_.clear();
    rows_.clear();
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        int n = sqlite3_column_count(stmt.get());
        if (columns_.empty())
            for (int i = 0; i < n; ++i)
                columns_.push_back(resultColumn(stmt.get(), i));
        Record row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.push_back(columnValue(stmt.get(), i, columns_[i]));
        rows_.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        sqlFailed(db.get(), sql);
    if (columns_.empty())
        for (int i = 0; i < sqlite3_column_count(stmt.get()); ++i)
            columns_.push_back(resultColumn(stmt.get(), i));
    index_ = 0;
}

void TQuery::internalClose() {
    rows_.clear();
    columns_.clear();
}

bool TQuery::moveTo(std::size_t index) {
    if (index >= rows_.size())
        return false;
    index_ = index;
    current_ = rows_[index_];
    return true;
}

bool TQuery::GotoRecNo(RowId row) {
    if (!Active() || row == NoRow || row > rows_.size())
        return false;
    CheckBrowseMode();
    moveTo(row - 1);
    hasRow_ = true;
    setEofBof(false, false);
    rowChanged();
    return true;
}

bool TQuery::internalFirst() {
    return moveTo(0);
}
bool TQuery::internalLast() {
    return !rows_.empty() && moveTo(rows_.size() - 1);
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
    internalOpen();
    index_ = keep < rows_.size() ? keep : 0;
}

void TQuery::internalPost(bool, const Record&) {
    throw EngineError(code::ReadOnly, "A query result cannot be modified");
}

bool TQuery::internalDelete() {
    throw EngineError(code::ReadOnly, "A query result cannot be modified");
}

} // namespace engine
