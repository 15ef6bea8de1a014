// tabletool create TABLE "LAYOUT": a new empty table.
#include "Command.h"
#include "Layout.h"

#include "engine/drivers/Tables.h"

#include <cstdio>

namespace tabletool {

namespace {

int runCreate(const Arguments& args) {
    const std::string& path = args.at(0);
    engine::TableKind kind = engine::tableKindOf(path);
    TableLayout layout = parseLayout(args.at(1), kind);
    if (engine::tableExists(path))
        throw InputError("table " + path + " already exists");
    auto table = engine::createTable(path, layout.fields);
    if (!layout.keyFields.empty()) {
        engine::IndexDef key;
        key.primary = true;
        for (const std::string& field : layout.keyFields)
            key.expression += (key.expression.empty() ? "" : ";") + field;
        try {
            table->addIndex(key);
        } catch (...) {
            table.reset();
            engine::deleteTable(path);
            throw;
        }
    }
    std::printf("%s: created with %zu fields\n", path.c_str(), layout.fields.size());
    return 0;
}

const RegisterCommand
    reg({"create", "TABLE \"NAME TYPE [SIZE [DECIMALS]], ...\"", {}, 2, 2, runCreate});

} // namespace

} // namespace tabletool
