// tabletool append DEST SOURCE: every row of SOURCE appended to DEST, the
// columns paired by field name, values converted with the least loss and
// counted when they could not be carried over exactly.
#include "Command.h"
#include "KeyGuard.h"

#include "engine/dataset/ValueConversion.h"
#include "engine/drivers/Tables.h"
#include "engine/table/AppendBatch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace tabletool {

namespace {

int runAppend(const Arguments& args) {
    const std::string& destPath = args.at(0);
    const std::string& sourcePath = args.at(1);
    std::error_code ec;
    if (std::filesystem::equivalent(destPath, sourcePath, ec))
        throw UsageError("a table cannot be appended to itself");
    auto source = engine::openTable(sourcePath, {.exclusive = false, .readOnly = true});
    auto dest = engine::openTable(destPath, {.exclusive = true, .readOnly = false});
    const engine::FieldList& from = source->fields();
    const engine::FieldList& to = dest->fields();

    std::vector<int> sourceOf(to.size(), -1);
    for (std::size_t i = 0; i < to.size(); ++i)
        sourceOf[i] = engine::findField(from, to[i].name);

    std::vector<std::uint64_t> inexact(to.size(), 0);
    engine::Record record(to.size());
    // Converts every live source row, in record order, for `use`.
    auto eachRow = [&](const std::function<void(const engine::Record&)>& use) {
        auto cursor = source->openIndex("");
        for (bool more = cursor->first(); more; more = cursor->next()) {
            if (source->isDeleted(cursor->row()))
                continue;
            engine::Record in = source->read(cursor->row());
            for (std::size_t i = 0; i < to.size(); ++i) {
                if (sourceOf[i] < 0) {
                    record[i] = engine::Value();
                    continue;
                }
                const engine::FieldDef& field = from[sourceOf[i]];
                if (field.type == to[i].type && field.length == to[i].length &&
                    field.decimals == to[i].decimals) {
                    record[i] = std::move(in[sourceOf[i]]); // same field: nothing to convert
                    continue;
                }
                bool lost = false;
                record[i] = engine::convertForField(in[sourceOf[i]], to[i], &lost, &field);
                inexact[i] += lost;
            }
            use(record);
        }
    };
    KeyGuard keys(*dest);
    if (keys.active()) {
        // A key the destination refuses stops the command before it writes.
        std::uint64_t n = 0;
        eachRow([&](const engine::Record& r) {
            keys.check(r, sourcePath + " row " + std::to_string(++n));
        });
        std::fill(inexact.begin(), inexact.end(), 0);
    }
    std::uint64_t rows = 0;
    engine::AppendBatch batch(*dest); // a row that fails stores none of them
    if (auto copied = dest->appendCopiesOf(*source)) {
        rows = *copied; // same layout: copied as it is stored
    } else {
        eachRow([&](const engine::Record& r) {
            dest->append(r);
            ++rows;
        });
    }
    batch.finish();

    for (const engine::FieldDef& f : from)
        if (engine::findField(to, f.name) < 0)
            std::printf("field %s of %s has no counterpart in %s\n", f.name.c_str(),
                        sourcePath.c_str(), destPath.c_str());
    std::uint64_t total = 0;
    for (std::uint64_t n : inexact)
        total += n;
    std::printf("%llu rows appended, %llu values not carried over exactly\n",
                static_cast<unsigned long long>(rows), static_cast<unsigned long long>(total));
    for (std::size_t i = 0; i < to.size(); ++i)
        if (inexact[i] > 0)
            std::printf("  %s: %llu\n", to[i].name.c_str(),
                        static_cast<unsigned long long>(inexact[i]));
    return 0;
}

const RegisterCommand reg({"append", "DEST SOURCE", {}, 2, 2, runAppend});

} // namespace

} // namespace tabletool
