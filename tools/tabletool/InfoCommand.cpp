// tabletool info TABLE: layout, record count, code page and indexes.
#include "Command.h"
#include "Layout.h"

#include "engine/dbase/DbaseDetails.h"
#include "engine/drivers/Tables.h"

#include <cstdio>

namespace tabletool {

namespace {

std::string indexFlags(const engine::IndexDef& def) {
    std::string flags;
    auto add = [&](bool on, const char* name) {
        if (on)
            flags += flags.empty() ? name : std::string(", ") + name;
    };
    add(def.primary, "primary");
    add(def.unique, "unique");
    add(def.descending, "descending");
    add(def.caseInsensitive, "case-insensitive");
    return flags;
}

void printDbaseDetails(const engine::dbase::DbaseDetails& d) {
    std::printf("Version:      0x%02X\n", d.versionByte());
    std::printf("Code page:    %d (language driver 0x%02X)\n", d.codepage(), d.languageDriver());
    if (d.lastUpdate().julianDay() != 0)
        std::printf("Last update:  %s\n", d.lastUpdate().toIso().c_str());
    if (d.memoBlockSize() != 0)
        std::printf("Memo blocks:  %u bytes\n", d.memoBlockSize());
    if (!d.indexProblem().empty())
        std::printf("Index fault:  %s\n", d.indexProblem().c_str());
}

int runInfo(const Arguments& args) {
    auto table = engine::openTable(args.at(0), {.exclusive = false, .readOnly = true});
    engine::TableKind kind = table->kind();
    std::printf("Table:        %s\n", table->path().string().c_str());
    std::printf("Format:       %s\n", kind == engine::TableKind::DBase ? "dBase" : "Paradox");
    std::printf("Records:      %llu\n", static_cast<unsigned long long>(table->rowCount()));
    if (auto* d = dynamic_cast<const engine::dbase::DbaseDetails*>(table.get()))
        printDbaseDetails(*d);
    for (const std::string& warning : table->warnings())
        std::printf("Warning:      %s\n", warning.c_str());
    std::printf("Fields:\n");
    for (const engine::FieldDef& f : table->fields()) {
        std::printf("  %-10s %s", f.name.c_str(), typeLetter(f.type, kind).c_str());
        if (f.length > 0)
            std::printf(" %d", f.length);
        if (f.decimals > 0)
            std::printf(" %d", f.decimals);
        std::printf("\n");
    }
    std::vector<engine::IndexInfo> indexes = table->indexes();
    std::printf("Indexes:%s\n", indexes.empty() ? " none" : "");
    for (const engine::IndexInfo& info : indexes) {
        const engine::IndexDef& def = info.def;
        std::printf("  %-10s key %s", def.name.empty() ? "(primary)" : def.name.c_str(),
                    def.expression.c_str());
        if (!def.forCondition.empty())
            std::printf("  for %s", def.forCondition.c_str());
        std::string flags = indexFlags(def);
        if (!flags.empty())
            std::printf("  [%s]", flags.c_str());
        std::printf("\n");
    }
    return 0;
}

const RegisterCommand reg({"info", "TABLE", {}, 1, 1, runInfo});

} // namespace

} // namespace tabletool
