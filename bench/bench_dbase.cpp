// Times tabletool on a generated dBase table (1,000,000 rows by default):
// import from CSV; export to CSV (the median of five runs) beside pgdbf, an
// independent DBF converter, on the same table when it is installed; append
// of the whole table into an empty copy beside cp of the same files; with
// the peak memory of each.
//
//   bench_dbase [ROWS] [SCRATCH_DIR]
//
// tabletool is found beside this program's build folder (../tools/tabletool).
#include "BenchProgram.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
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

// The same memo file as FoxPro writes it (big-endian header words, block
// headers of type and length), the only kind pgdbf reads; the blocks keep
// their numbers, so the table's pointers stay right.
void writeFoxProMemo(const fs::path& dbt, const fs::path& fpt) {
    std::ifstream in(dbt, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32le = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    };
    auto putBe = [&](std::size_t at, std::uint32_t v, int width) {
        for (int i = width - 1; i >= 0; --i, v >>= 8)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
    };
    const std::uint32_t next = u32le(0);
    const std::size_t block = static_cast<unsigned char>(bytes[20]) |
                              static_cast<std::size_t>(static_cast<unsigned char>(bytes[21])) << 8;
    std::memset(bytes.data() + 4, 0, block - 4);
    putBe(0, next, 4);
    putBe(6, static_cast<std::uint32_t>(block), 2);
    for (std::size_t at = block; at + 8 <= bytes.size(); at += block) {
        if (bytes.compare(at, 4, std::string_view("\xFF\xFF\x08\x00", 4)) != 0)
            continue;
        std::uint32_t length = u32le(at + 4) - 8;
        putBe(at, 1, 4); // text
        putBe(at + 4, length, 4);
    }
    std::ofstream(fpt, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (std::size_t start = 0, end; start <= dirs.size(); start = end + 1) {
        end = std::min(dirs.find(':', start), dirs.size());
        if (end > start && fs::exists(fs::path(dirs.substr(start, end - start)) / program))
            return true;
    }
    return false;
}

// The median run by wall time and by cpu time, and the largest peak.
Measure median(std::vector<Measure> runs) {
    auto middle = [&](auto member) {
        std::vector<double> v;
        for (const Measure& m : runs)
            v.push_back(m.*member);
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    long peak = 0;
    for (const Measure& m : runs)
        peak = std::max(peak, m.peakKb);
    return Measure{middle(&Measure::seconds), middle(&Measure::cpu), peak};
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
    const int runs = 5;
    std::vector<Measure> exports;
    for (int run = 0; run < runs; ++run)
        exports.push_back(runProgram({tool, "export", src}, (dir / "out.csv").string()));
    Measure exported = median(exports);
    report("export to CSV (median of 5)", exported);
    if (onPath("pgdbf")) {
        writeFoxProMemo(dir / "SRC.DBT", dir / "SRC.FPT");
        std::vector<Measure> converts;
        for (int run = 0; run < runs; ++run)
            converts.push_back(runProgram({"pgdbf", "-m", (dir / "SRC.FPT").string(), src},
                                          (dir / "out.sql").string()));
        Measure pgdbf = median(converts);
        report("pgdbf of the same table", pgdbf);
        std::printf("export / pgdbf: %.2fx wall, %.2fx cpu (target 1x)\n",
                    exported.seconds / pgdbf.seconds, exported.cpu / pgdbf.cpu);
    } else {
        std::printf("export / pgdbf: pgdbf not installed\n");
    }

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
