// Dataset layer on a dictionary of 100,000 rows (1,000 tables of 99 fields):
// open, a range over one table's field rows walked to its end, a key search,
// the search dialog's query with a prefix and with LIKE, and a query of every
// row walked to its end. Prints the figures and the peak memory.
#include "BenchClock.h"

#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"
#include "engine/sql/Query.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>

using namespace engine;
namespace fs = std::filesystem;
using bench::Clock;
using bench::msSince;

namespace {

FieldList layout() {
    return {{"TMTIPO", FieldType::Character, 1, 0},  {"TMSUFF", FieldType::Character, 2, 0},
            {"TMNRIG", FieldType::Numeric, 4, 0},    {"TMNPFM", FieldType::Character, 10, 0},
            {"TMTFLD", FieldType::Character, 1, 0},  {"TMNFLD", FieldType::Character, 10, 0},
            {"TMDESC", FieldType::Character, 75, 0}, {"TMDCND", FieldType::Character, 75, 0},
            {"TMDATA", FieldType::Date, 8, 0},       {"TMSIZE", FieldType::Numeric, 4, 0},
            {"TMDECS", FieldType::Numeric, 4, 0},    {"TMBCAR", FieldType::Logical, 1, 0},
            {"TMTBAS", FieldType::Character, 1, 0}};
}

void build(const fs::path& path) {
    auto file = createTable(path, layout(), true);
    file->beginAppendBatch();
    char name[16], field[16], desc[64];
    for (int t = 0; t < 1000; ++t) {
        std::snprintf(name, sizeof name, "TAB%04d", t);
        std::snprintf(desc, sizeof desc, "Table number %d of the sample", t);
        file->append({"A", "SA", Value(), name, Value(), Value(), desc, Value(),
                      Date::fromYmd(2026, 1, 1), Value(), Value(), false, "0"});
        for (int f = 1; f <= 99; ++f) {
            std::snprintf(field, sizeof field, "FLD%02d", f);
            file->append({"B", Value(), static_cast<double>(f), name, "C", field, desc, Value(),
                          Date::fromYmd(2026, 1, 2), 10.0, 0.0, false, Value()});
        }
    }
    file->endAppendBatch();
    file->addIndex({"BASE00", "TMNPFM", "", false, false, false, false});
    file->addIndex({"BASE01", "TMNPFM+TMNFLD", "", false, false, false, false});
    file->addIndex({"BASE02", "TMNPFM+STR(TMNRIG,4)", "", false, false, false, false});
}

} // namespace

int main(int argc, char** argv) {
    fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "bench-dataset";
    fs::create_directories(dir);
    auto start = Clock::now();
    build(dir / "T_BASE.DBF");
    std::printf("build 100,000 rows with 3 tags: %.0f ms\n", msSince(start));

    TTable fields;
    fields.SetDatabaseName(dir.string());
    fields.SetTableName("T_BASE");
    fields.SetFilter("[TMTIPO]='B'");
    fields.SetFiltered(true);
    fields.SetIndexName("BASE02");
    start = Clock::now();
    fields.Open();
    std::printf("first open: %.2f ms\n", msSince(start));
    fields.Close();
    start = Clock::now();
    fields.Open();
    std::printf("open: %.2f ms\n", msSince(start));

    start = Clock::now();
    fields.SetRangeStart();
    fields.FieldByName("TMNPFM").SetAsString("TAB0500");
    fields.SetRangeEnd();
    fields.FieldByName("TMNPFM").SetAsString("TAB0500");
    fields.FieldByName("TMNRIG").SetAsInteger(999);
    fields.ApplyRange();
    int rows = 0;
    for (fields.First(); !fields.Eof(); fields.Next())
        ++rows;
    std::printf("range of one table and walk (%d rows): %.2f ms\n", rows, msSince(start));

    TTable base;
    base.SetDatabaseName(dir.string());
    base.SetTableName("T_BASE");
    base.SetFilter("[TMTIPO]='A'");
    base.SetFiltered(true);
    base.SetIndexName("BASE00");
    base.Open();
    start = Clock::now();
    bool found = base.FindKey({"TAB0777"});
    std::printf("FindKey (%s): %.3f ms\n", found ? "found" : "missing", msSince(start));

    TQuery query;
    query.DatabaseName = dir.string();
    query.SQL = {"SELECT * FROM T_BASE", "WHERE TMDESC", " BETWEEN :qSetInf AND :qSetSup ",
                 " AND TMTIPO=\"A\"", "ORDER BY TMDESC"};
    query.ParamByName("qSetInf").SetAsString("Table number 12");
    query.ParamByName("qSetSup").SetAsString("Table number 12zzz");
    start = Clock::now();
    query.Open();
    std::printf("search query with prefix (%zu rows): %.1f ms\n", query.RecordCount(),
                msSince(start));
    query.Close();
    query.SQL = {"SELECT * FROM T_BASE", "WHERE TMDESC", " LIKE \"%1%2%3%\" ", " AND TMTIPO=\"A\"",
                 "ORDER BY TMDESC"};
    start = Clock::now();
    query.Open();
    std::printf("search query with LIKE (%zu rows): %.1f ms\n", query.RecordCount(),
                msSince(start));

    query.Close();

    // The result goes to a store on disk: memory should not grow with it.
    long peakBefore = bench::peakMegabytes();
    query.SQL = {"SELECT * FROM T_BASE ORDER BY TMDESC DESC"};
    start = Clock::now();
    query.Open();
    rows = 0;
    for (query.First(); !query.Eof(); query.Next())
        ++rows;
    std::printf("query of every row, opened and walked (%d rows): %.0f ms, peak memory %ld -> %ld "
                "MB\n",
                rows, msSince(start), peakBefore, bench::peakMegabytes());
    query.Close();

    std::printf("peak memory: %ld MB\n", bench::peakMegabytes());
    fs::remove_all(dir);
}
