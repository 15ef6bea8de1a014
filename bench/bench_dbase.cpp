// Times tabletool on a generated dBase table (1,000,000 rows by default):
// import from CSV, export to CSV, and append of the whole table into an
// empty copy beside cp of the same files, with the peak memory of each.
//
//   bench_dbase [ROWS] [SCRATCH_DIR]
//
// tabletool is found beside this program's build folder (../tools/tabletool).
#include "BenchProgram.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using bench::Measure;
using bench::runProgram;

namespace {

void writeCsv(const fs::path& path, long rows) {
    std::ofstream out(path, std::ios::binary);
    out << "CODE,NAME,AMOUNT,QTY,DAY,FLAG,NOTE\n";
    char line[256];
    unsigned seed = 12345;
    for (long i = 0; i < rows; ++i) {
        seed = seed * 1103515245u + 12345u;
        int n = std::snprintf(
            line, sizeof line, "C%09ld,Customer name %u %s,%u.%02u,%u,20%02u-%02u-%02u,%c,%s\n", i,
            seed % 100000, (seed >> 8) % 2 ? "Rossi" : "Bianchi", seed % 99999, (seed >> 4) % 100,
            (seed >> 12) % 999999, (seed >> 3) % 30, 1 + (seed >> 5) % 12, 1 + (seed >> 7) % 28,
            (seed >> 9) % 2 ? 'T' : 'F',
            i % 10 == 0 ? "A memo on one row in ten and long enough to be real" : "");
        out.write(line, n);
    }
}

void report(const char* what, const Measure& m) {
    std::printf("%-28s %8.2f s  cpu %6.2f s  peak %6.1f MB\n", what, m.seconds, m.cpu,
                m.peakKb / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    fs::path dir = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "schedax-bench-dbase";
    std::string tool =
        (fs::absolute(argv[0]).parent_path().parent_path() / "tools" / "tabletool").string();
    const std::string layout =
        "CODE C 10, NAME C 40, AMOUNT N 12 2, QTY N 6, DAY D, FLAG L, NOTE M";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string src = (dir / "SRC.DBF").string(), dst = (dir / "DST.DBF").string();

    std::printf("bench_dbase: %ld rows in %s\n", rows, dir.c_str());
    writeCsv(dir / "rows.csv", rows);
    runProgram({tool, "create", src, layout});
    report("import from CSV", runProgram({tool, "import", src, (dir / "rows.csv").string()}));
    Measure exported = runProgram({tool, "export", src}, (dir / "out.csv").string());
    report("export to CSV", exported);

    runProgram({tool, "create", dst, layout});
    Measure append = runProgram({tool, "append", dst, src});
    report("append into an empty copy", append);
    fs::create_directories(dir / "copy");
    Measure copy = runProgram({"cp", src, (dir / "SRC.DBT").string(), (dir / "copy").string()});
    report("cp of the same files", copy);

    std::printf("append / cp: %.2fx wall, %.2fx cpu (target 3x); files %.1f MB + %.1f MB\n",
                append.seconds / copy.seconds, append.cpu / copy.cpu,
                fs::file_size(src) / 1048576.0, fs::file_size(dir / "SRC.DBT") / 1048576.0);
    bool memoryOk = append.peakKb < 100 * 1024 && exported.peakKb < 100 * 1024;
    std::printf("peak memory of append and export under 100 MB: %s\n", memoryOk ? "yes" : "NO");
    fs::remove_all(dir);
    return 0;
}
