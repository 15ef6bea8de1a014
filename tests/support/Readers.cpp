#include "Readers.h"

#include "Process.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace support {

namespace {

bool everyTestMustRun() {
    const char* value = std::getenv("SCHEDAX_REQUIRE_ALL");
    return value && std::string_view(value) == "1";
}

// Fails the running test where a skipped check would go unnoticed.
bool missing(const char* package) {
    if (everyTestMustRun())
        ADD_FAILURE() << package << " is not installed (tools/setup installs it), and "
                      << "SCHEDAX_REQUIRE_ALL=1 lets no test skip its reader";
    return false;
}

} // namespace

bool havePerlXBase() {
    static const bool installed = succeeds({"perl", "-MXBase", "-e", "1"});
    return installed || missing("libdbd-xbase-perl");
}

bool haveDbfread() {
    static const bool installed = succeeds({"/usr/bin/python3", "-c", "import dbfread"});
    return installed || missing("python3-dbfread");
}

bool havePxlib(std::string_view helper) {
    return !helper.empty() || missing("pxlib-dev");
}

} // namespace support
