#include "engine/EngineError.h"
#include "engine/TableDrivers.h"

namespace engine::dbase {

namespace {
[[noreturn]] void notYet(const std::filesystem::path& path) {
    throw EngineError(code::NotSupported, "Table " + path.string() + ": format not available yet");
}
} // namespace

std::unique_ptr<TableFile> openTable(const std::filesystem::path& path, const OpenOptions&) {
    notYet(path);
}
std::unique_ptr<TableFile> createTable(const std::filesystem::path& path, const FieldList&) {
    notYet(path);
}
void deleteTable(const std::filesystem::path& path) {
    notYet(path);
}
void renameTable(const std::filesystem::path& from, const std::filesystem::path&) {
    notYet(from);
}

} // namespace engine::dbase
