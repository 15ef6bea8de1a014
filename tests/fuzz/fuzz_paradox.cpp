// libFuzzer target: the input holds the files of one Paradox table, each
// part prefixed by its length (u32 little-endian), in the order .DB, .PX,
// .MB, .X02, .Y02; missing parts are missing files. The table is opened
// read-only, every row is read in natural and index order, and checked;
// then a table that opened is written to: a row appended, changed, removed.
#include "FuzzFiles.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void readAll(engine::TableFile& table, const std::string& index) {
    auto cursor = table.openIndex(index);
    int rows = 0;
    for (bool on = cursor->first(); on && rows < 100000; on = cursor->next(), ++rows) {
        try {
            if (cursor->row() != engine::NoRow)
                table.read(cursor->row());
        } catch (const engine::EngineError&) {
        }
    }
    if (cursor->last())
        cursor->prior();
    if (!cursor->key().empty())
        cursor->seek(cursor->key());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* names[] = {"FUZZ.DB", "FUZZ.PX", "FUZZ.MB", "FUZZ.X02", "FUZZ.Y02"};
    for (const char* name : names)
        std::filesystem::remove(fuzz::scratchDir() / name);
    const char* at = reinterpret_cast<const char*>(data);
    std::size_t left = size;
    for (const char* name : names) {
        if (left < 4)
            break;
        std::uint32_t length;
        std::memcpy(&length, at, 4);
        at += 4;
        left -= 4;
        length = static_cast<std::uint32_t>(std::min<std::size_t>(length, left));
        fuzz::writeScratch(name, at, length);
        at += length;
        left -= length;
    }
    try {
        auto table = engine::openTable(fuzz::scratchDir() / "FUZZ.DB",
                                       {.exclusive = false, .readOnly = true});
        table->check();
        readAll(*table, "");
        for (const auto& index : table->indexes()) {
            try {
                readAll(*table, index.def.name);
            } catch (const engine::EngineError&) {
            }
        }
    } catch (const engine::EngineError&) {
        return 0;
    }
    try {
        auto table = engine::openTable(fuzz::scratchDir() / "FUZZ.DB");
        engine::Record blank(table->fields().size());
        engine::RowId row = table->append(blank);
        row = table->update(row, blank);
        table->remove(row);
        table->check();
    } catch (const engine::EngineError&) {
    }
    return 0;
}
