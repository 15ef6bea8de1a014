#include "engine/dbase/ProductionIndex.h"

#include "engine/EngineError.h"

namespace engine::dbase {

class MdxFile {};
struct ProductionIndex::Tags {};

namespace {
[[noreturn]] void notYet(const std::filesystem::path& path) {
    throw EngineError(code::NotSupported, "Index " + path.string() + ": MDX not available yet");
}
} // namespace

ProductionIndex::ProductionIndex() = default;
ProductionIndex::~ProductionIndex() = default;

std::unique_ptr<ProductionIndex> ProductionIndex::open(const std::filesystem::path& mdxPath,
                                                       const std::string&, const FieldList&,
                                                       BinaryFile::Mode, LockMode, std::uint8_t) {
    notYet(mdxPath);
}
std::unique_ptr<ProductionIndex> ProductionIndex::create(const std::filesystem::path& mdxPath,
                                                         const std::string&, const FieldList&,
                                                         std::uint8_t, LockMode) {
    notYet(mdxPath);
}
std::vector<IndexDef> ProductionIndex::readDeclaredTags(const std::filesystem::path& mdxPath) {
    notYet(mdxPath);
}
const std::filesystem::path& ProductionIndex::path() const {
    notYet({});
}
std::vector<IndexInfo> ProductionIndex::tags() const {
    notYet({});
}
bool ProductionIndex::fieldHasOwnTag(int) const {
    notYet({});
}
void ProductionIndex::onAppend(RowId, const Record&, bool) {
    notYet({});
}
void ProductionIndex::onUpdate(RowId, const Record&, bool, const Record&, bool) {
    notYet({});
}
void ProductionIndex::addTag(const IndexDef&, const RecordSource&) {
    notYet({});
}
void ProductionIndex::rebuild(const RecordSource&) {
    notYet({});
}
std::unique_ptr<IndexCursor> ProductionIndex::cursor(const std::string&) {
    notYet({});
}
std::string ProductionIndex::key(const std::string&, const Record&) {
    notYet({});
}
int ProductionIndex::compareKeys(const std::string&, const std::string&, const std::string&) {
    notYet({});
}
std::vector<std::string> ProductionIndex::check(const RecordSource&) {
    notYet({});
}

} // namespace engine::dbase
