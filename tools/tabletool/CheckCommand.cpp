// tabletool check TABLE: exit 0 when the table and its companions agree,
// 1 listing each fault.
#include "Command.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdio>

namespace tabletool {

namespace {

int runCheck(const Arguments& args) {
    std::vector<std::string> faults;
    try {
        auto table = engine::openTable(args.at(0), {.exclusive = false, .readOnly = true});
        faults = table->check();
    } catch (const engine::EngineError& e) {
        // A table too damaged to open is a finding of the check, not a usage error.
        if (e.code() != engine::code::FileCorrupt && e.code() != engine::code::IndexCorrupt)
            throw;
        faults.push_back(e.what());
    }
    for (const std::string& fault : faults)
        std::printf("%s\n", fault.c_str());
    if (faults.empty())
        std::printf("%s: sound\n", args.at(0).c_str());
    return faults.empty() ? 0 : 1;
}

const RegisterCommand reg({"check", "TABLE", {}, 1, 1, runCheck});

} // namespace

} // namespace tabletool
