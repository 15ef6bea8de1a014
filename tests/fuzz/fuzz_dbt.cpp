// libFuzzer target: the input is a DBT memo file behind a fixed DBF whose
// records point at blocks 1, 2 and 3. The first input byte chooses dBase III
// (odd) or dBase IV (even) memos.
#include "FuzzFiles.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdint>
#include <string>

namespace {

std::string fixedTable(bool dbase3) {
    std::string header(32 + 2 * 32 + 1, '\0');
    header[0] = static_cast<char>(dbase3 ? 0x83 : 0x8B);
    header[4] = 3; // records
    header[8] = static_cast<char>(header.size());
    header[10] = 1 + 4 + 10; // record length
    header.replace(32, 4, "NAME");
    header[32 + 11] = 'C';
    header[32 + 16] = 4;
    header.replace(64, 4, "NOTE");
    header[64 + 11] = 'M';
    header[64 + 16] = 10;
    header[96] = 0x0D;
    return header + " abc          1" + " def          2" + "*ghi          3" + "\x1A";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::string dbf = fixedTable(data[0] & 1);
    fuzz::writeScratch("MEMO.DBF", dbf.data(), dbf.size());
    auto path = fuzz::writeScratch("MEMO.DBT", reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        auto table = engine::openTable(path.parent_path() / "MEMO.DBF",
                                       {.exclusive = false, .readOnly = true});
        for (engine::RowId row = 1; row <= 3; ++row) {
            try {
                table->read(row);
            } catch (const engine::EngineError&) {
            }
        }
        table->check();
    } catch (const engine::EngineError&) {
    }
    return 0;
}
