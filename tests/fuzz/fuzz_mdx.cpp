// Opens arbitrary bytes as a production index: walks, seeks, checks and
// writes every tag it declares. Damage must end in an EngineError.
#include "engine/base/EngineError.h"
#include "engine/dbase/ProductionIndex.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace engine;
using namespace engine::dbase;

namespace {
const FieldList fields = {{"NAME", FieldType::Character, 20, 0},
                          {"AMOUNT", FieldType::Numeric, 10, 2},
                          {"DAY", FieldType::Date, 8, 0}};

Record recordOf(std::uint64_t recno) {
    return {Value("N" + std::to_string(recno % 50)), Value(static_cast<double>(recno) - 20.5),
            recno % 3 ? Value(Date::fromJulianDay(2451545 + static_cast<std::int64_t>(recno)))
                      : Value()};
}

void exercise(ProductionIndex& index) {
    ProductionIndex::RecordSource records = [](const ProductionIndex::RecordVisitor& visit) {
        for (std::uint64_t r = 1; r <= 60; ++r)
            visit(r, recordOf(r), r % 7 == 0);
    };
    index.check(records);
    for (const IndexInfo& tag : index.tags()) {
        auto cursor = index.cursor(tag.def.name);
        for (int steps = 0; steps < 5000 && cursor->next(); ++steps) {
        }
        for (int steps = 0; steps < 50 && cursor->prior(); ++steps) {
        }
        cursor->seek(index.key(tag.def.name, recordOf(25)));
    }
    for (std::uint64_t r = 61; r <= 70; ++r)
        index.onAppend(r, recordOf(r), false);
    index.onUpdate(3, recordOf(3), false, recordOf(40), true);
    index.check(records);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz-mdx-" + std::to_string(getpid()) + ".MDX");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        ProductionIndex::readDeclaredTags(path);
    } catch (const EngineError&) {
    }
    try {
        auto index = ProductionIndex::open(path, "T", fields, BinaryFile::Mode::ReadWrite,
                                           LockMode::None, 0x57);
        exercise(*index);
    } catch (const EngineError&) {
    }
    return 0;
}
