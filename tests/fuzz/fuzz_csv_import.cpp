// Imports arbitrary bytes as a CSV file with tabletool's import into a dBase
// and a Paradox table. Import either takes every row or leaves the table as
// it was: a value that the write refuses must be found by the check before it.
#include "Command.h"
#include "FuzzFiles.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace engine;

namespace {

std::uint64_t rowsOf(const std::filesystem::path& path) {
    return openTable(path, {.exclusive = false, .readOnly = true})->rowCount();
}

int run(const char* name, const std::vector<std::string>& words) {
    const tabletool::Command* command = tabletool::findCommand(name);
    tabletool::Arguments args(words, command->options, command->minArgs, command->maxArgs);
    return command->run(args);
}

void importInto(const std::filesystem::path& table, const char* layout,
                const std::filesystem::path& csv) {
    if (std::filesystem::exists(table))
        deleteTable(table);
    run("create", {table.string(), layout});
    try {
        run("import", {table.string(), csv.string()});
    } catch (const tabletool::UsageError&) {
        if (rowsOf(table) != 0)
            std::abort(); // a refused file must leave no rows behind
    } catch (const tabletool::InputError&) {
        if (rowsOf(table) != 0)
            std::abort();
    } catch (const EngineError&) {
        if (rowsOf(table) != 0)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    auto csv = fuzz::writeScratch("IN.CSV", reinterpret_cast<const char*>(data), size);
    importInto(fuzz::scratchDir() / "T.DBF",
               "CODE C 6, AMOUNT N 8 2, BIG N 20 0, DAY D, OK L, NOTE M", csv);
    importInto(fuzz::scratchDir() / "T.DB", "CODE A 6, AMOUNT N, N S, L I, DAY D, NOTE M 10", csv);
    return 0;
}
