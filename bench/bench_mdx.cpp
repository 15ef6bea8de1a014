// Times an MDX tag build on a NAME C(40) field over 1,000,000 generated rows
// beside GNU sort of the same keys, and in-place inserts into that tag.
//
//   bench_mdx [ROWS]
#include "BenchClock.h"

#include "engine/dbase/ProductionIndex.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace engine;
using namespace engine::dbase;

namespace {

using bench::Clock;
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

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const std::uint64_t inserts = rows / 10;
    auto dir =
        std::filesystem::temp_directory_path() / ("schedax-bench-mdx-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const FieldList fields = {{"NAME", FieldType::Character, 40, 0}};

    ProductionIndex::RecordSource source = [&](const ProductionIndex::RecordVisitor& visit) {
        Record record(1);
        for (std::uint64_t r = 1; r <= rows; ++r) {
            record[0] = Value(nameOf(r));
            visit(r, record, false);
        }
    };

    auto index =
        ProductionIndex::create(dir / "BENCH.MDX", "BENCH", fields, 0x57, LockMode::Exclusive);
    auto start = Clock::now();
    index->addTag({"NAME", "NAME", "", false, false}, source);
    double build = secondsSince(start);

    {
        std::ofstream keys(dir / "keys.txt");
        for (std::uint64_t r = 1; r <= rows; ++r) {
            std::string name = nameOf(r);
            name.resize(40, ' ');
            keys << name << '\n';
        }
    }
    std::string sortCommand = "LC_ALL=C sort '" + (dir / "keys.txt").string() + "' -o '" +
                              (dir / "sorted.txt").string() + "'";
    start = Clock::now();
    if (std::system(sortCommand.c_str()) != 0) {
        std::fprintf(stderr, "bench_mdx: %s failed\n", sortCommand.c_str());
        return 1;
    }
    double sort = secondsSince(start);

    Record record(1);
    start = Clock::now();
    for (std::uint64_t r = rows + 1; r <= rows + inserts; ++r) {
        record[0] = Value(nameOf(r));
        index->onAppend(r, record, false);
    }
    double insert = secondsSince(start);

    std::printf("tag build, NAME C(40), %llu rows: %.2f s (MDX %.1f MB)\n",
                static_cast<unsigned long long>(rows), build,
                static_cast<double>(std::filesystem::file_size(dir / "BENCH.MDX")) / 1e6);
    std::printf("GNU sort (LC_ALL=C) of the same keys: %.2f s; build / sort = %.2f\n", sort,
                build / sort);
    std::printf("in-place inserts into the %llu-key tag: %llu in %.2f s = %.0f per second\n",
                static_cast<unsigned long long>(rows), static_cast<unsigned long long>(inserts),
                insert, static_cast<double>(inserts) / insert);
    std::filesystem::remove_all(dir);
    return 0;
}
