// Times "Update tables" over ten dBase tables of 100,000 rows each after a
// field was added in the middle of each, beside cp + sync of the same files
// (the update flushes what it writes): the plan, then the builder's own
// steps (journal, rename, create, the move of the saved rows with each tag
// built once at its end, flush, delete) in this process. Also the plan, and
// a plan that reads every row to count losses, beside a plain read of every
// row, and with tags the update beside the copy plus one build of each tag.
//
//   bench_update [ROWS] [TAGS] [SCRATCH_DIR]
//
// TAGS (0 by default) is the number of tags per table. Each figure is the
// best of three runs (a busy machine makes single runs noisy); the time of
// each of the builder's steps, summed over the tables, is that of the best
// update.
#include "BenchClock.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/Layouts.h"
#include "engine/drivers/Tables.h"
#include "support/DictionaryRows.h"
#include "tableops/TableBuild.h"
#include "tableops/TablePlan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace engine;

namespace {

constexpr int Tables = 10;

support::BaseRow row(const std::string& kind, const std::string& table, const std::string& name,
                     const std::string& type, int number, int size, int decimals,
                     const std::string& key = "") {
    support::BaseRow r;
    r.kind = kind;
    r.table = table;
    r.name = name;
    r.type = type;
    r.number = number;
    r.size = size;
    r.decimals = decimals;
    r.description = kind == "C" ? key : name;
    r.tableType = "0";
    r.copyData = false;
    return r;
}

// The installed tables T0..T9 (CODE, NAME, AMOUNT, DAY, FLAG) with their
// rows, and a dictionary that adds PHONE between NAME and AMOUNT.
void prepare(const fs::path& system, const fs::path& tables, long rows, int tags) {
    dictionary::createDictionary(system);
    const char* tagKeys[] = {"CODE", "UPPER(NAME)", "DTOS(DAY)+CODE"};
    for (int t = 0; t < Tables; ++t) {
        std::string name = "T" + std::to_string(t);
        std::vector<support::BaseRow> dictionaryRows = {
            row("A", name, "", "", 0, 0, 0),          row("B", name, "CODE", "C", 10, 10, 0),
            row("B", name, "NAME", "C", 20, 30, 0),   row("B", name, "PHONE", "C", 25, 12, 0),
            row("B", name, "AMOUNT", "N", 30, 12, 2), row("B", name, "DAY", "D", 40, 8, 0),
            row("B", name, "FLAG", "L", 50, 1, 0)};
        for (int k = 0; k < tags; ++k)
            dictionaryRows.push_back(
                row("C", name, "TAG" + std::to_string(k), "", 0, 1, 0, tagKeys[k % 3]));
        support::addRows(system, dictionaryRows);

        auto table = createTable(tables / (name + ".DBF"), {{"CODE", FieldType::Character, 10, 0},
                                                            {"NAME", FieldType::Character, 30, 0},
                                                            {"AMOUNT", FieldType::Numeric, 12, 2},
                                                            {"DAY", FieldType::Date, 8, 0},
                                                            {"FLAG", FieldType::Logical, 1, 0}});
        table->beginAppendBatch();
        unsigned seed = 12345 + t;
        for (long i = 0; i < rows; ++i) {
            seed = seed * 1103515245u + 12345u;
            table->append(
                {Value("C" + std::to_string(i)), Value("Customer " + std::to_string(seed % 100000)),
                 Value((seed % 9999999) / 100.0), Value(Date::fromJulianDay(2451545 + seed % 9000)),
                 Value((seed >> 9) % 2 == 1)});
        }
        table->endAppendBatch();
        for (int k = 0; k < tags; ++k)
            table->addIndex({"TAG" + std::to_string(k), tagKeys[k % 3]});
    }
}

double copyFiles(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    // The update flushes what it writes: the fair floor is a durable copy.
    std::string command = "cp " + from.string() + "/* " + to.string() + "/ && sync";
    auto start = bench::Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_update: cp failed\n");
        std::exit(1);
    }
    return bench::secondsSince(start);
}

// Reads every field of every row of the tables, as the plan may.
double readAll(const fs::path& dir) {
    auto start = bench::Clock::now();
    std::uint64_t seen = 0;
    for (int t = 0; t < Tables; ++t) {
        auto table = openTable(dir / ("T" + std::to_string(t) + ".DBF"), {false, true});
        for (RowId id = 1; id <= table->rowCount(); ++id)
            seen += table->read(id).size();
    }
    if (seen == 0)
        std::fprintf(stderr, "bench_update: no rows read\n");
    return bench::secondsSince(start);
}

// Builds every tag of the tables once (their reindex).
double buildTags(const fs::path& dir) {
    auto start = bench::Clock::now();
    for (int t = 0; t < Tables; ++t)
        openTable(dir / ("T" + std::to_string(t) + ".DBF"))->reindex();
    return bench::secondsSince(start);
}

// The plan of the same tables had the dictionary also narrowed NAME to 20
// and dropped FLAG: every old row is read to count the values cut and
// dropped.
double countingPlan(const operations::RunPlan& planned) {
    auto start = bench::Clock::now();
    std::uint64_t lost = 0;
    for (operations::TablePlan plan : planned.tables) {
        plan.added.clear();
        plan.changed.clear();
        plan.dropped.clear();
        plan.losses.clear();
        std::erase_if(plan.fields, [](const FieldDef& field) { return field.name == "FLAG"; });
        for (FieldDef& field : plan.fields)
            if (field.name == "NAME")
                field.length = 20;
        auto source = openTable(plan.source, {false, true});
        operations::countLosses(*source, plan);
        for (const operations::ValueLoss& loss : plan.losses)
            lost += loss.count;
    }
    if (lost == 0)
        std::fprintf(stderr, "bench_update: the counting plan found nothing to lose\n");
    return bench::secondsSince(start);
}

// What the builder spent reaching each of its steps, summed over a run.
struct StepTimes {
    static constexpr int Steps = 8; // BuildStep's steps, then the journal's removal
    double seconds[Steps] = {};
};

const char* const StepNames[StepTimes::Steps] = {
    "journal written", "old files renamed",   "journal, table created", "indexes added",
    "rows moving",     "rows moved, flushed", "journal, old deleted",   "journal removed"};

double update(TDm_Vadem& dataModule, const std::string& workDir,
              const std::vector<std::string>& names, const std::vector<std::string>& types,
              StepTimes& steps) {
    steps = {};
    auto start = bench::Clock::now();
    auto last = start;
    auto reach = [&](int step) {
        auto now = bench::Clock::now();
        steps.seconds[step] += std::chrono::duration<double>(now - last).count();
        last = now;
    };
    operations::RunPlan planned = operations::planBuild(dataModule, workDir, names, types);
    for (const operations::TablePlan& table : planned.tables) {
        operations::TableBuild build(workDir);
        last = bench::Clock::now();
        build.OnStep = [&](operations::BuildStep step) { reach(static_cast<int>(step)); };
        build.run(table);
        reach(StepTimes::Steps - 1);
    }
    return bench::secondsSince(start);
}

} // namespace

int main(int argc, char* argv[]) {
    long rows = argc > 1 ? std::atol(argv[1]) : 100000;
    int tags = argc > 2 ? std::atoi(argv[2]) : 0;
    fs::path scratch =
        argc > 3 ? fs::path(argv[3])
                 : fs::temp_directory_path() / ("bench-update-" + std::to_string(::getpid()));
    fs::path system = scratch / "system", tables = scratch / "tables";
    fs::path copies = scratch / "copies", config = scratch / "engine.conf";
    fs::create_directories(system);
    fs::create_directories(tables);
    std::ofstream(config) << "[DBZET]\ndriver = DBASE\npath = " << tables.string() << "\n";
    setenv("SCHEDAX_SYSTEM_DIR", system.c_str(), 1);
    setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);

    fs::path original = scratch / "original";
    fs::create_directories(original);
    prepare(system, original, rows, tags);

    TDm_Vadem dataModule;
    const std::string workDir = dataModule.tmDBase.WorkingDirectory();
    std::vector<std::string> names, types;
    for (int t = 0; t < Tables; ++t) {
        names.push_back("T" + std::to_string(t));
        types.push_back("0");
    }
    double cp = 1e9, updated = 1e9, plan = 1e9, counting = 1e9, read = 1e9, build = 1e9;
    StepTimes steps, best;
    for (int run = 0; run < 3; ++run) {
        copyFiles(original, tables); // the installed tables, and in the page cache
        cp = std::min(cp, copyFiles(original, copies));
        read = std::min(read, readAll(tables));
        build = std::min(build, buildTags(copies));
        auto start = bench::Clock::now();
        operations::RunPlan planned = operations::planBuild(dataModule, workDir, names, types);
        plan = std::min(plan, bench::secondsSince(start));
        counting = std::min(counting, countingPlan(planned));
        double took = update(dataModule, workDir, names, types, steps);
        if (took < updated) {
            updated = took;
            best = steps;
        }
    }

    std::printf("%d tables of %ld rows, %d tags each\n", Tables, rows, tags);
    std::printf("cp + sync of the files   %8.3f s\n", cp);
    std::printf("read of every row        %8.3f s\n", read);
    std::printf("plan of the update       %8.3f s  (%.2fx the read)\n", plan, plan / read);
    std::printf("plan that counts losses  %8.3f s  (%.2fx the read)\n", counting, counting / read);
    std::printf("Update tables            %8.3f s  (%.2fx cp + sync)\n", updated, updated / cp);
    for (int step = 0; step < StepTimes::Steps; ++step)
        std::printf("  %-22s %8.4f s\n", StepNames[step], best.seconds[step]);
    if (tags > 0)
        std::printf("one build of each tag    %8.3f s  (update %.2fx cp + sync + builds)\n", build,
                    updated / (cp + build));
    std::error_code ignored;
    if (argc <= 3)
        fs::remove_all(scratch, ignored);
    return 0;
}
