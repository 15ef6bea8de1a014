// Times a Paradox table against a dBase table of the same data: an import
// of 200,000 rows of a 100-byte keyed record, a full export scan, and a
// case-insensitive index on a 40-character field. Prints rows per second.
#include "BenchClock.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 200000;

// 20 + 40 + 8 + 4 + 4 + 1 + 23 = 100 bytes in a Paradox record.
FieldList paradoxFields() {
    return {{"CODE", FieldType::Character, 20, 0}, {"NAME", FieldType::Character, 40, 0},
            {"AMOUNT", FieldType::Double, 0, 0},   {"QTY", FieldType::Long, 0, 0},
            {"DAY", FieldType::Date, 0, 0},        {"FLAG", FieldType::Logical, 0, 0},
            {"NOTE", FieldType::Character, 23, 0}};
}

FieldList dbaseFields() {
    return {{"CODE", FieldType::Character, 20, 0}, {"NAME", FieldType::Character, 40, 0},
            {"AMOUNT", FieldType::Numeric, 12, 2}, {"QTY", FieldType::Numeric, 8, 0},
            {"DAY", FieldType::Date, 8, 0},        {"FLAG", FieldType::Logical, 1, 0},
            {"NOTE", FieldType::Character, 10, 0}};
}

std::vector<Record> makeRows(bool integerQty) {
    std::vector<int> order(kRows);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    std::vector<Record> rows;
    rows.reserve(kRows);
    for (int i : order) {
        char code[24], name[48];
        std::snprintf(code, sizeof code, "C%08d", i);
        std::snprintf(name, sizeof name, "%s customer %d", i % 3 ? "Some" : "some",
                      (i * 7919) % kRows);
        rows.push_back({code, name, (i % 10000) / 100.0, i % 1000,
                        Date::fromYmd(2000 + i % 20, 1 + i % 12, 1 + i % 28), i % 2 == 0, "note"});
        if (!integerQty)
            rows.back()[3] = static_cast<double>(i % 1000);
    }
    return rows;
}

void run(const char* label, const fs::path& path, const FieldList& fields,
         const std::vector<Record>& rows, const IndexDef& key, const IndexDef& byName) {
    if (tableExists(path))
        deleteTable(path);
    auto start = bench::Clock::now();
    {
        auto t = createTable(path, fields);
        t->addIndex(key);
        t->beginAppendBatch();
        for (const Record& r : rows)
            t->append(r);
        t->endAppendBatch();
    }
    double import = bench::secondsSince(start);
    start = bench::Clock::now();
    std::size_t seen = 0;
    {
        auto t = openTable(path);
        auto c = t->openIndex("");
        for (bool on = c->first(); on; on = c->next())
            seen += t->read(c->row()).size();
    }
    double scan = bench::secondsSince(start);
    start = bench::Clock::now();
    auto t = openTable(path);
    t->addIndex(byName);
    double index = bench::secondsSince(start);
    start = bench::Clock::now();
    std::size_t faults = t->check().size();
    double check = bench::secondsSince(start);
    // Single appends into the full table: every one updates the files and indexes.
    constexpr int kSingles = 1000;
    Record extra = rows.front();
    start = bench::Clock::now();
    for (int i = 0; i < kSingles; ++i) {
        extra[0] = "Z" + std::to_string(i);
        t->append(extra);
    }
    double singles = bench::secondsSince(start);
    std::printf("%-8s import %6.3f s (%8.0f rows/s)  export %6.3f s (%8.0f rows/s)  "
                "case-insensitive index %6.3f s  check %6.3f s (%zu faults, %zu values read)  "
                "single appends %6.0f rows/s\n",
                label, import, kRows / import, scan, kRows / scan, index, check, faults, seen,
                kSingles / singles);
}

} // namespace

int main(int argc, char** argv) {
    fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "schedax-bench-paradox";
    fs::create_directories(dir);
    run("Paradox", dir / "BENCH.DB", paradoxFields(), makeRows(true),
        {"", "CODE", "", false, false, true, false},
        {"ByName", "NAME", "", false, false, false, true});
    try {
        run("dBase", dir / "BENCH.DBF", dbaseFields(), makeRows(false),
            {"CODE", "CODE", "", false, false, false, false},
            {"BYNAME", "UPPER(NAME)", "", false, false, false, false});
    } catch (const EngineError& e) {
        std::printf("dBase    not measured: %s\n", e.what());
    }
    fs::remove_all(dir);
}
