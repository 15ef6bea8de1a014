// tabletool index TABLE NAME "KEY" [options] and tabletool reindex TABLE.
#include "Command.h"

#include "engine/drivers/Tables.h"

#include <cstdio>

namespace tabletool {

namespace {

int runIndex(const Arguments& args) {
    const std::string& path = args.at(0);
    bool paradox = engine::tableKindOf(path) == engine::TableKind::Paradox;
    for (const char* option : {"--for", "--unique", "--descending"})
        if (paradox && args.has(option))
            throw UsageError(std::string(option) + " is for dBase tags");
    for (const char* option : {"--primary", "--case-insensitive"})
        if (!paradox && args.has(option))
            throw UsageError(std::string(option) + " is for Paradox indexes");
    if (args.has("--primary") && args.has("--case-insensitive"))
        throw UsageError("a primary index cannot be case-insensitive");
    engine::IndexDef def;
    def.name = args.at(1);
    def.expression = args.at(2);
    def.forCondition = args.value("--for");
    def.unique = args.has("--unique");
    def.descending = args.has("--descending");
    def.primary = args.has("--primary");
    def.caseInsensitive = args.has("--case-insensitive");
    if (def.primary)
        def.name.clear();
    auto table = engine::openTable(path, {.exclusive = true, .readOnly = false});
    table->addIndex(def);
    std::printf("%s: index %s added\n", path.c_str(), def.primary ? "(primary)" : def.name.c_str());
    return 0;
}

int runReindex(const Arguments& args) {
    auto table = engine::openTable(args.at(0), {.exclusive = true, .readOnly = false});
    table->reindex();
    std::printf("%s: %zu indexes rebuilt\n", args.at(0).c_str(), table->indexes().size());
    return 0;
}

const RegisterCommand
    indexReg({"index",
              "TABLE NAME \"KEY\" [--for \"COND\"] [--unique] [--descending] "
              "| X.DB NAME \"FIELD;FIELD\" [--primary|--case-insensitive]",
              {"--for=", "--unique", "--descending", "--primary", "--case-insensitive"},
              3,
              3,
              runIndex});
const RegisterCommand reindexReg({"reindex", "TABLE", {}, 1, 1, runReindex});

} // namespace

} // namespace tabletool
