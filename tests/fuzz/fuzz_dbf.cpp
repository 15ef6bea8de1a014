// libFuzzer target: the input is a DBF file (no memo file beside it). Open
// it, read every record and check it; damage must end in an EngineError.
#include "FuzzFiles.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto path = fuzz::writeScratch("FUZZ.DBF", reinterpret_cast<const char*>(data), size);
    try {
        auto table = engine::openTable(path, {.exclusive = false, .readOnly = true});
        std::uint64_t rows = std::min<std::uint64_t>(table->rowCount(), 10000);
        for (engine::RowId row = 1; row <= rows; ++row) {
            table->read(row);
            table->isDeleted(row);
        }
        table->check();
    } catch (const engine::EngineError&) {
    }
    return 0;
}
