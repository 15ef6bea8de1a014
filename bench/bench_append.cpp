// Times tabletool append of a generated dBase table (1,000,000 rows of 78
// bytes by default) into an empty table with one more field, beside cp of
// the same file followed by sync of the copy: the move writes the file and
// makes it durable, so that is the floor it is measured against. Each is
// the median of three runs.
//
//   bench_append [ROWS] [SCRATCH_DIR]
//
// tabletool is found beside this program's build folder (../tools/tabletool).
#include "BenchProgram.h"

#include "engine/drivers/Tables.h"
#include "engine/table/AppendBatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using bench::Measure;
using bench::runProgram;

namespace {

// CODE C 10, NAME C 40, AMOUNT N 12 2, QTY N 6, DAY D, FLAG L: 77 bytes and the
// deletion flag.
const engine::FieldList Layout = {
    {"CODE", engine::FieldType::Character, 10, 0}, {"NAME", engine::FieldType::Character, 40, 0},
    {"AMOUNT", engine::FieldType::Numeric, 12, 2}, {"QTY", engine::FieldType::Numeric, 6, 0},
    {"DAY", engine::FieldType::Date, 8, 0},        {"FLAG", engine::FieldType::Logical, 1, 0}};

void writeSource(const fs::path& path, long rows) {
    auto table = engine::createTable(path, Layout, true);
    engine::AppendBatch batch(*table);
    unsigned seed = 12345;
    char text[64];
    for (long i = 0; i < rows; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::snprintf(text, sizeof text, "C%09ld", i);
        std::string code = text;
        std::snprintf(text, sizeof text, "Customer name %u %s", seed % 100000,
                      (seed >> 8) % 2 ? "Rossi" : "Bianchi");
        std::string amount = std::to_string(seed % 99999) + "." + std::to_string(10 + seed % 90);
        table->append(
            {engine::Value(code), engine::Value(std::string(text)),
             engine::Value(engine::Decimal{amount}),
             engine::Value(engine::Decimal{std::to_string(seed % 999999)}),
             engine::Value(engine::Date::fromYmd(2000 + seed % 30, 1 + seed % 12, 1 + seed % 28)),
             engine::Value((seed >> 9) % 2 == 1)});
    }
    batch.finish();
}

Measure median(std::vector<Measure> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measure& a, const Measure& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    fs::path dir =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "schedax-bench-append";
    std::string tool =
        (fs::absolute(argv[0]).parent_path().parent_path() / "tools" / "tabletool").string();
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path src = dir / "SRC.DBF", dst = dir / "DST.DBF", copy = dir / "COPY.DBF";
    writeSource(src, rows);
    std::printf("bench_append: %ld rows of %d bytes (%.1f MB) in %s\n", rows, 78,
                fs::file_size(src) / 1048576.0, dir.c_str());

    engine::FieldList wider = Layout;
    wider.insert(wider.begin() + 2, {"ADDED", engine::FieldType::Character, 8, 0});
    std::vector<Measure> appends, copies;
    for (int run = 0; run < 3; ++run) {
        engine::createTable(dst, wider, true);
        appends.push_back(runProgram({tool, "append", dst.string(), src.string()}));
        fs::remove(copy);
        Measure cp = runProgram({"cp", src.string(), copy.string()});
        Measure sync = runProgram({"sync", copy.string()});
        cp.seconds += sync.seconds;
        cp.cpu += sync.cpu;
        copies.push_back(cp);
    }
    Measure append = median(appends), copied = median(copies);
    std::printf("%-36s %7.3f s  cpu %6.3f s  peak %6.1f MB\n", "append into one more field",
                append.seconds, append.cpu, append.peakKb / 1024.0);
    std::printf("%-36s %7.3f s  cpu %6.3f s\n", "cp + sync of the same file", copied.seconds,
                copied.cpu);
    std::printf("append / (cp + sync): %.2fx wall (target 2x)\n", append.seconds / copied.seconds);
    fs::remove_all(dir);
    return 0;
}
