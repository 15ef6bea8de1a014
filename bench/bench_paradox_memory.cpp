// Peak memory of Paradox writes on a large table: an import of 1,000,000
// rows of a 100-byte record into a keyed table, the same import into an
// unkeyed table, keying that table, and a case-insensitive secondary index.
// Each step runs in a child process of its own, so that its peak resident
// size is its alone. The target is under 64 MB whatever the table size.
#include "BenchClock.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kRows = 1000000;
constexpr long kTargetMb = 64;

// 20 + 40 + 8 + 4 + 4 + 1 + 23 = 100 bytes in a Paradox record.
FieldList fields() {
    return {{"CODE", FieldType::Character, 20, 0}, {"NAME", FieldType::Character, 40, 0},
            {"AMOUNT", FieldType::Double, 0, 0},   {"QTY", FieldType::Long, 0, 0},
            {"DAY", FieldType::Date, 0, 0},        {"FLAG", FieldType::Logical, 0, 0},
            {"NOTE", FieldType::Character, 23, 0}};
}

// Row n of the import, in an order far from key order (n -> n * 7919 mod kRows
// visits every key once), made on the fly: the rows are never all in memory.
Record row(std::int64_t n) {
    std::int64_t i = n * 7919 % kRows;
    char code[24], name[48];
    std::snprintf(code, sizeof code, "C%08lld", static_cast<long long>(i));
    std::snprintf(name, sizeof name, "%s customer %lld", i % 3 ? "Some" : "some",
                  static_cast<long long>(i * 7919 % kRows));
    return {code,
            name,
            static_cast<double>(i % 10000) / 100.0,
            static_cast<std::int64_t>(i % 1000),
            Date::fromYmd(2000 + static_cast<int>(i % 20), 1 + static_cast<int>(i % 12),
                          1 + static_cast<int>(i % 28)),
            i % 2 == 0,
            "note"};
}

const IndexDef kKey{"", "CODE", "", false, false, true, false};
const IndexDef kByName{"ByName", "NAME", "", false, false, false, true};

void import(const fs::path& path, bool keyed) {
    if (tableExists(path))
        deleteTable(path);
    auto t = createTable(path, fields());
    if (keyed)
        t->addIndex(kKey);
    t->beginAppendBatch();
    for (std::int64_t n = 0; n < kRows; ++n)
        t->append(row(n));
    t->endAppendBatch();
}

// Runs `step` in a child process; prints its time, its peak memory and the table's size.
void measure(const char* label, const fs::path& table, const std::function<void()>& step) {
    std::fflush(stdout);
    auto start = bench::Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        try {
            step();
        } catch (const EngineError& e) {
            std::fprintf(stderr, "%s: %s\n", label, e.what());
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    double seconds = bench::secondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("%-34s failed\n", label);
        std::exit(1);
    }
    long peakMb = usage.ru_maxrss / 1024;
    std::error_code ec;
    auto tableMb = static_cast<double>(fs::file_size(table, ec)) / (1024.0 * 1024.0);
    std::printf("%-34s %7.2f s  peak %5ld MB  table %6.1f MB  %s\n", label, seconds, peakMb,
                tableMb, peakMb < kTargetMb ? "within target" : "OVER TARGET");
}

} // namespace

int main(int argc, char** argv) {
    fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "schedax-bench-paradox-memory";
    fs::create_directories(dir);
    std::printf("%lld rows of 100 bytes, target peak under %ld MB\n", static_cast<long long>(kRows),
                kTargetMb);
    fs::path keyed = dir / "KEYED.DB", plain = dir / "PLAIN.DB";
    measure("import into a keyed table", keyed, [&] { import(keyed, true); });
    measure("import into an unkeyed table", plain, [&] { import(plain, false); });
    measure("add the primary index", plain, [&] { openTable(plain)->addIndex(kKey); });
    measure("add a case-insensitive index", plain, [&] { openTable(plain)->addIndex(kByName); });
    fs::remove_all(dir);
}
