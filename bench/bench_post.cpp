// Writes through the write protocol. Single writes as Post makes them: each
// append or update of a dBase table with two tags is a write session of its
// own, flushed to disk before it returns. Then in-place inserts: one batch
// (one session, every overwritten index page kept for a rollback) adding a
// tenth more rows to a table whose tag holds ROWS keys.
// Usage: bench_post [SINGLE_WRITES [ROWS]]
#include "BenchClock.h"

#include "engine/drivers/Tables.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;
using bench::Clock;

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
    const long keys = argc > 2 ? std::atol(argv[2]) : 1000000;
    fs::path dir = fs::temp_directory_path() / ("schedax-bench-post-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto table = createTable(dir / "POST.DBF", {{"CODE", FieldType::Character, 10, 0},
                                                {"NAME", FieldType::Character, 40, 0},
                                                {"N", FieldType::Numeric, 8, 0}});
    table->addIndex({"CODE", "CODE", "", false, false});
    table->addIndex({"NAME", "UPPER(NAME)", "", false, false});
    auto start = Clock::now();
    for (int i = 1; i <= rows; ++i)
        table->append({Value("C" + std::to_string(i)), Value("name " + std::to_string(i * 7919)),
                       Value(static_cast<double>(i))});
    double append = bench::secondsSince(start);
    start = Clock::now();
    for (int i = 1; i <= rows; ++i)
        table->update(static_cast<RowId>(i),
                      {Value("U" + std::to_string(i)), Value("other " + std::to_string(i)),
                       Value(static_cast<double>(i))});
    double update = bench::secondsSince(start);
    std::printf("flushed single appends (two tags): %d in %.2f s = %.0f per second\n", rows, append,
                rows / append);
    std::printf("flushed single updates (two tags): %d in %.2f s = %.0f per second\n", rows, update,
                rows / update);
    table.reset();

    auto big = createTable(dir / "BIG.DBF", {{"NAME", FieldType::Character, 40, 0}});
    auto nameOf = [](long i) { return "name " + std::to_string((i * 7919) % 1000003); };
    big->beginAppendBatch();
    for (long i = 0; i < keys; ++i)
        big->append({Value(nameOf(i))});
    big->endAppendBatch();
    big->addIndex({"NAME", "NAME", "", false, false});
    start = Clock::now();
    big->beginAppendBatch();
    for (long i = keys; i < keys + keys / 10; ++i)
        big->append({Value(nameOf(i) + "x")});
    big->endAppendBatch();
    double inserts = bench::secondsSince(start);
    std::printf("in-place inserts in one batch into the %ld-key tag: %ld in %.2f s = %.0f per "
                "second\n",
                keys, keys / 10, inserts, static_cast<double>(keys / 10) / inserts);
    big.reset();
    fs::remove_all(dir);
    return 0;
}
