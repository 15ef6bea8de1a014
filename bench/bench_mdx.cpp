// Times an MDX tag build on a NAME C(40) field over 1,000,000 generated rows
// beside GNU sort (LC_ALL=C) of the same keys, each the median of five runs,
// and in-place inserts into that tag.
//
//   bench_mdx [ROWS]
#include "BenchProgram.h"

#include "engine/dbase/ProductionIndex.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace engine;
using namespace engine::dbase;

namespace {

using bench::Clock;
using bench::Measure;
using bench::secondsSince;

// A reproducible name of 8 to 40 letters for each record number.
std::string nameOf(std::uint64_t recno) {
    std::uint64_t x = recno * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL;
    auto nextRandom = [&x] {
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDULL;
        x ^= x >> 29;
        return x;
    };
    std::string name(8 + nextRandom() % 33, ' ');
    for (char& c : name)
        c = static_cast<char>('A' + nextRandom() % 26);
    return name;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Measure median(std::vector<Measure> runs) {
    auto middle = [&](auto member) {
        std::vector<double> v;
        for (const Measure& m : runs)
            v.push_back(m.*member);
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return Measure{middle(&Measure::seconds), middle(&Measure::cpu), 0};
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const std::uint64_t inserts = rows / 10;
    const int runs = 5;
    auto dir =
        std::filesystem::temp_directory_path() / ("schedax-bench-mdx-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const FieldList fields = {{"NAME", FieldType::Character, 40, 0}};

    // The names are made before the clock starts, as sort finds its keys in a file.
    std::vector<std::string> names(rows);
    for (std::uint64_t r = 1; r <= rows; ++r)
        names[r - 1] = nameOf(r);
    ProductionIndex::RecordSource source = [&](const ProductionIndex::RecordVisitor& visit) {
        Record record(1);
        for (std::uint64_t r = 1; r <= rows; ++r) {
            record[0] = Value(names[r - 1]);
            visit(r, record, false);
        }
    };

    std::unique_ptr<ProductionIndex> index;
    std::vector<Measure> builds;
    for (int run = 0; run < runs; ++run) {
        index.reset();
        std::filesystem::remove(dir / "BENCH.MDX");
        index =
            ProductionIndex::create(dir / "BENCH.MDX", "BENCH", fields, 0x57, LockMode::Exclusive);
        auto start = Clock::now();
        double cpu = cpuSeconds();
        index->addTag({"NAME", "NAME", "", false, false}, source);
        builds.push_back(Measure{secondsSince(start), cpuSeconds() - cpu, 0});
    }
    Measure build = median(builds);

    {
        std::ofstream keys(dir / "keys.txt");
        for (std::string name : names) {
            name.resize(40, ' ');
            keys << name << '\n';
        }
    }
    std::vector<Measure> sorts;
    for (int run = 0; run < runs; ++run)
        sorts.push_back(bench::runProgram({"env", "LC_ALL=C", "sort", (dir / "keys.txt").string(),
                                           "-o", (dir / "sorted.txt").string()}));
    Measure sort = median(sorts);

    Record record(1);
    auto start = Clock::now();
    for (std::uint64_t r = rows + 1; r <= rows + inserts; ++r) {
        record[0] = Value(nameOf(r));
        index->onAppend(r, record, false);
    }
    double insert = secondsSince(start);

    std::printf("tag build, NAME C(40), %llu rows: %.2f s, cpu %.2f s (MDX %.1f MB)\n",
                static_cast<unsigned long long>(rows), build.seconds, build.cpu,
                static_cast<double>(std::filesystem::file_size(dir / "BENCH.MDX")) / 1e6);
    std::printf("GNU sort (LC_ALL=C) of the same keys: %.2f s, cpu %.2f s\n", sort.seconds,
                sort.cpu);
    std::printf("build / sort: %.2fx wall, %.2fx cpu (target 1.2x; medians of %d)\n",
                build.seconds / sort.seconds, build.cpu / sort.cpu, runs);
    std::printf("in-place inserts into the %llu-key tag: %llu in %.2f s = %.0f per second\n",
                static_cast<unsigned long long>(rows), static_cast<unsigned long long>(inserts),
                insert, static_cast<double>(inserts) / insert);
    std::filesystem::remove_all(dir);
    return 0;
}
