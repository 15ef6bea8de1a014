#include "engine/sql/SqlTables.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/OpenTables.h"
#include "engine/values/NumberText.h"

#include <sqlite3.h>

namespace engine {

namespace fs = std::filesystem;

namespace {

struct EngineVTab {
    sqlite3_vtab base{};
    std::shared_ptr<TableFile> file;
};

// Walks the table in its natural order (Paradox row ids are no record numbers).
struct EngineCursor {
    sqlite3_vtab_cursor base{};
    std::unique_ptr<IndexCursor> order;
    bool more = false;
    sqlite3_int64 sequence = 0; // the SQLite rowid: the row's place in the walk
};

// Whether the field can hold a value that neither a 64-bit integer nor a
// double holds exactly. Every value of such a field is given as its decimal
// text, so that the values of one column sort as one kind (SQLite puts all
// numbers before all texts). Its declared type gives it text affinity and
// the DECIMAL collation: a number it is compared with is turned into text
// and the two are compared digit by digit, not as doubles.
bool givenAsText(const FieldDef& field) {
    switch (field.type) {
    case FieldType::Numeric:
    case FieldType::Float:
        // 18 digits fit in 64 bits; a double keeps 15 significant digits.
        return field.decimals == 0 ? field.length > 18 : field.length > 16;
    case FieldType::Bcd:
        return true;
    default:
        return false;
    }
}

std::string declaredType(const FieldDef& field) {
    const bool text = givenAsText(field);
    const std::string suffix = text ? "TEXT" : "";
    const std::string collation = text ? " COLLATE DECIMAL" : "";
    switch (field.type) {
    case FieldType::Character:
        return "CHAR(" + std::to_string(field.length) + ")";
    case FieldType::Numeric:
    case FieldType::Float:
        return "NUMERIC" + suffix + "(" + std::to_string(field.length) + "," +
               std::to_string(field.decimals) + ")" + collation;
    case FieldType::Bcd:
        return "BCD" + suffix + "(" + std::to_string(field.decimals) + ")" + collation;
    case FieldType::Date:
        return "DATE";
    case FieldType::Logical:
        return "BOOLEAN";
    case FieldType::Memo:
    case FieldType::FormattedMemo:
        return "MEMO";
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Timestamp:
        return "DOUBLE";
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
        return "INTEGER";
    default:
        return "BLOB";
    }
}

std::string quoteIdentifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// SQLite hands a module argument over as written: a quoted path keeps its
// quotes, and a quote inside it stays doubled.
std::string unquoteArgument(const std::string& text) {
    if (text.size() < 2 || (text.front() != '\'' && text.front() != '"') ||
        text.back() != text.front())
        return text;
    char quote = text.front();
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        out += text[i];
        if (text[i] == quote && text[i + 1] == quote)
            ++i;
    }
    return out;
}

int connect(sqlite3* db, void*, int argc, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    if (argc < 4) {
        *error = sqlite3_mprintf("engine table: file path missing");
        return SQLITE_ERROR;
    }
    std::string path = unquoteArgument(argv[3]);
    auto vtab = std::make_unique<EngineVTab>();
    try {
        vtab->file = openShared(path, OpenOptions{false, true});
    } catch (const EngineError& e) {
        *error = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    }
    std::string schema = "CREATE TABLE x(";
    const FieldList& fields = vtab->file->fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        schema += (i ? ", " : "") + quoteIdentifier(fields[i].name) + " " + declaredType(fields[i]);
    schema += ")";
    int rc = sqlite3_declare_vtab(db, schema.c_str());
    if (rc != SQLITE_OK)
        return rc;
    *out = &vtab.release()->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
    delete reinterpret_cast<EngineVTab*>(vtab);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    info->estimatedCost = 1e6;
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = &(new EngineCursor)->base;
    return SQLITE_OK;
}

int closeCursor(sqlite3_vtab_cursor* cursor) {
    delete reinterpret_cast<EngineCursor*>(cursor);
    return SQLITE_OK;
}

TableFile& fileOf(sqlite3_vtab_cursor* cursor) {
    return *reinterpret_cast<EngineVTab*>(cursor->pVtab)->file;
}

int fail(sqlite3_vtab_cursor* cursor, const std::exception& e) {
    sqlite3_free(cursor->pVtab->zErrMsg);
    cursor->pVtab->zErrMsg = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
}

// Moves on from where `more` stands to a row that is not deleted. Values
// are read only for the columns the query asks for.
int settle(sqlite3_vtab_cursor* cursor, bool more) {
    auto* c = reinterpret_cast<EngineCursor*>(cursor);
    TableFile& file = fileOf(cursor);
    try {
        while (more && file.isDeleted(c->order->row()))
            more = c->order->next();
    } catch (const std::exception& e) {
        return fail(cursor, e);
    }
    c->more = more;
    ++c->sequence;
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
    auto* c = reinterpret_cast<EngineCursor*>(cursor);
    bool more = false;
    try {
        c->order = fileOf(cursor).openIndex("");
        c->sequence = 0;
        more = c->order->first();
    } catch (const std::exception& e) {
        return fail(cursor, e);
    }
    return settle(cursor, more);
}

int next(sqlite3_vtab_cursor* cursor) {
    bool more = false;
    try {
        more = reinterpret_cast<EngineCursor*>(cursor)->order->next();
    } catch (const std::exception& e) {
        return fail(cursor, e);
    }
    return settle(cursor, more);
}

int eof(sqlite3_vtab_cursor* cursor) {
    return !reinterpret_cast<EngineCursor*>(cursor)->more;
}

// A decimal as an integer or a double where one holds it exactly, unless its
// column gives every value as text; otherwise as its text, so that no digit
// is lost.
void resultDecimal(sqlite3_context* context, const Decimal& d, bool asText) {
    if (!asText) {
        if (decimalPlaces(d) == 0) {
            if (auto whole = toInt64(d)) {
                sqlite3_result_int64(context, *whole);
                return;
            }
        } else if (double number = toDouble(d); sameNumber(d, number)) {
            sqlite3_result_double(context, number);
            return;
        }
    }
    sqlite3_result_text(context, d.text.data(), static_cast<int>(d.text.size()), SQLITE_TRANSIENT);
}

int column(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int n) {
    auto* c = reinterpret_cast<EngineCursor*>(cursor);
    TableFile& file = fileOf(cursor);
    Value v;
    try {
        v = file.readField(c->order->row(), n);
    } catch (const std::exception& e) {
        return fail(cursor, e);
    }
    if (v.isNull()) {
        sqlite3_result_null(context);
    } else if (v.isText()) {
        std::string text = trimRight(v.text());
        sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else if (v.isDecimal()) {
        resultDecimal(context, v.decimal(),
                      givenAsText(file.fields()[static_cast<std::size_t>(n)]));
    } else if (v.isNumber()) {
        sqlite3_result_double(context, v.number());
    } else if (v.isInteger()) {
        sqlite3_result_int64(context, v.integer());
    } else if (v.isDate()) {
        std::string iso = v.date().toIso();
        sqlite3_result_text(context, iso.data(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
    } else if (v.isBool()) {
        sqlite3_result_int(context, v.boolean() ? 1 : 0);
    } else {
        const std::string& bytes = v.blob().bytes;
        sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_TRANSIENT);
    }
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* out) {
    *out = reinterpret_cast<EngineCursor*>(cursor)->sequence;
    return SQLITE_OK;
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.xCreate = connect;
    m.xConnect = connect;
    m.xBestIndex = bestIndex;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = openCursor;
    m.xClose = closeCursor;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

const sqlite3_module kModule = makeModule();

std::string quoteLiteral(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

} // namespace

// Orders decimal texts by their values; anything else by its bytes, after them.
int compareDecimalTexts(void*, int lengthA, const void* a, int lengthB, const void* b) {
    std::string_view textA(static_cast<const char*>(a), static_cast<std::size_t>(lengthA));
    std::string_view textB(static_cast<const char*>(b), static_cast<std::size_t>(lengthB));
    auto decimalA = parseDecimal(textA);
    auto decimalB = parseDecimal(textB);
    if (decimalA && decimalB)
        return compareDecimals(*decimalA, *decimalB);
    if (decimalA || decimalB)
        return decimalA ? -1 : 1;
    return textA.compare(textB);
}

void registerTableModule(sqlite3* db) {
    if (sqlite3_create_collation(db, "DECIMAL", SQLITE_UTF8, nullptr, compareDecimalTexts) !=
            SQLITE_OK ||
        sqlite3_create_module(db, "engine_table", &kModule, nullptr) != SQLITE_OK)
        throw EngineError(code::SqlError,
                          std::string("Cannot register tables: ") + sqlite3_errmsg(db));
}

bool attachTable(sqlite3* db, const fs::path& dir, std::string name) {
    if (std::size_t dot = name.find('.'); dot != std::string::npos)
        name.erase(0, dot + 1); // main.T or temp.T
    std::string wanted = toUpperAscii(name);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw EngineError(code::BadPath, "Directory " + dir.string() + " does not exist");
    fs::path found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string ext = toUpperAscii(it->path().extension().string());
        if ((ext == ".DBF" || (ext == ".DB" && found.empty())) &&
            toUpperAscii(it->path().stem().string()) == wanted)
            found = it->path();
    }
    if (found.empty())
        return false;
    std::string sql = "CREATE VIRTUAL TABLE temp." + quoteIdentifier(name) +
                      " USING engine_table(" + quoteLiteral(found.string()) + ")";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw EngineError(code::SqlError, message);
    }
    return true;
}

std::string quoteStrings(const std::string& sql) {
    std::string out;
    out.reserve(sql.size());
    for (std::size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == '\'') {
            // Copy a single-quoted literal as it stands.
            std::size_t end = i + 1;
            while (end < sql.size()) {
                if (sql[end] == '\'' && end + 1 < sql.size() && sql[end + 1] == '\'')
                    end += 2;
                else if (sql[end] == '\'')
                    break;
                else
                    ++end;
            }
            out.append(sql, i, end - i + 1);
            i = end;
        } else if (c == '"') {
            std::size_t end = sql.find('"', i + 1);
            if (end == std::string::npos)
                end = sql.size();
            out += quoteLiteral(sql.substr(i + 1, end - i - 1));
            i = end;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace engine
