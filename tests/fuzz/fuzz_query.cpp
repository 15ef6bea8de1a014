// Runs arbitrary text as the SQL of a query over a dBase and a Paradox table,
// reading every value of the rows it returns. Only engine errors may leave.
// The first byte picks the reading: odd reads row by row (UniDirectional),
// even reads the result whole and moves back and forth in it.
#include "FuzzFiles.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/sql/Query.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>

using namespace engine;

namespace {

constexpr int kMaxRows = 200; // a text may make any number of rows

void makeTables(const std::filesystem::path& dir) {
    auto dbf = createTable(dir / "D.DBF", {{"CODE", FieldType::Character, 8, 0},
                                           {"AMOUNT", FieldType::Numeric, 12, 2},
                                           {"BIG", FieldType::Numeric, 20, 0},
                                           {"DAY", FieldType::Date, 8, 0},
                                           {"OK", FieldType::Logical, 1, 0},
                                           {"NOTE", FieldType::Memo, 10, 0}});
    dbf->append({Value("A1"), Value(Decimal{"-12.50"}), Value(Decimal{"99999999999999999999"}),
                 Value(Date::fromJulianDay(2451545)), Value(true), Value("first\r\nnote")});
    dbf->append({Value("B2"), Value(), Value(Decimal{"-1"}), Value(), Value(false), Value()});
    auto db = createTable(dir / "P.DB", {{"CODE", FieldType::Character, 8, 0},
                                         {"AMOUNT", FieldType::Double, 8, 0},
                                         {"N", FieldType::Short, 2, 0},
                                         {"L", FieldType::Long, 4, 0},
                                         {"DAY", FieldType::Date, 4, 0},
                                         {"NOTE", FieldType::Memo, 10, 0}});
    db->append({Value("A1"), Value(0.25), Value(-32767), Value(std::int64_t{2147483647}),
                Value(Date::fromJulianDay(2451545)), Value("é")});
    db->append({Value("C3"), Value(1e300), Value(), Value(), Value(), Value()});
}

const std::filesystem::path& tablesDir() {
    static const std::filesystem::path dir = [] {
        makeTables(fuzz::scratchDir());
        // What a text makes on disk (ATTACH, VACUUM INTO) lands in the scratch directory.
        if (::chdir(fuzz::scratchDir().c_str()) != 0)
            std::abort();
        return fuzz::scratchDir();
    }();
    return dir;
}

void readRow(TQuery& query) {
    for (const auto& field : query.Fields()) {
        (void)field->AsString();
        (void)field->AsValue();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    TQuery query;
    query.DatabaseName = tablesDir().string();
    query.UniDirectional = data[0] & 1;
    query.ResultLimit = 1 << 20; // a text may make rows without end
    query.SQL = {std::string(reinterpret_cast<const char*>(data) + 1, size - 1)};
    query.ParamByName("P").SetAsString("A1");
    query.ParamByName("N").SetAsInteger(-1);
    try {
        query.Open();
        int rows = 0;
        for (; !query.Eof() && rows < kMaxRows; query.Next(), ++rows)
            readRow(query);
        if (!query.UniDirectional) {
            (void)query.RecordCount();
            query.Last();
            for (int back = 0; !query.Bof() && back < kMaxRows; query.Prior(), ++back)
                readRow(query);
        }
        query.Close();
    } catch (const EngineError&) {
    }
    return 0;
}
