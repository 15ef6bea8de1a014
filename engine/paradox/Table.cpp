#include "engine/paradox/Table.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/FileNames.h"
#include "engine/paradox/ParadoxDriver.h"

#include <algorithm>
#include <cstring>

namespace engine::paradox {

namespace fs = std::filesystem;

namespace {

int pickBlockKiB(int recordSize) {
    for (int kib : {2, 3, 4})
        if (recordSize <= kib * 1024 - 6)
            return kib;
    return 0;
}

} // namespace

RowId rowIdOf(Slot at) {
    return (RowId{at.block} << 16) | static_cast<RowId>(at.slot + 1);
}

Slot slotOf(RowId row) {
    if (row == NoRow || (row >> 16) > 0xFFFF)
        return {};
    return {static_cast<std::uint16_t>(row >> 16), static_cast<int>(row & 0xFFFF) - 1};
}

DefinitionProblems fieldProblems(const FieldList& fields, int blockKiB) {
    DefinitionProblems problems;
    if (fields.empty() || fields.size() > kMaxFields)
        problems.push_back(
            {"", "a Paradox table has 1 to 255 fields, not " + std::to_string(fields.size()),
             code::TooManyFields});
    FieldList seen;
    std::vector<PxField> described;
    for (const FieldDef& def : fields) {
        if (findField(seen, def.name) >= 0) {
            problems.push_back(
                {def.name, "field " + def.name + " is given twice", code::InvalidParameter});
            continue;
        }
        seen.push_back(def);
        if (std::string why = fieldProblem(def); !why.empty())
            problems.push_back(
                {def.name, "field " + def.name + ": " + why, code::InvalidParameter});
        else
            described.push_back(describeField(def, {}));
    }
    int recordSize = layOut(described);
    int kib = blockKiB ? blockKiB : pickBlockKiB(recordSize);
    if (kib == 0 || recordSize > kib * 1024 - 6)
        problems.push_back(
            {"",
             "a record of " + std::to_string(recordSize) + " bytes is too long for a Paradox table",
             code::InvalidParameter});
    return problems;
}

fs::path Table::create(const fs::path& path, const FieldList& fields, int blockKiB) {
    std::string name = path.filename().string();
    DefinitionProblems problems = fieldProblems(fields, blockKiB);
    if (!problems.empty())
        throw EngineError(problems.front().code,
                          "Table " + path.string() + ": " + problems.front().text);
    DataHeader h;
    for (const FieldDef& def : fields)
        h.fields.push_back(describeField(def, path.string()));
    int recordSize = layOut(h.fields);
    int kib = blockKiB ? blockKiB : pickBlockKiB(recordSize);
    h.fileType = ftype::UnkeyedDb;
    h.version = versionFor(h.fields);
    h.blockSize = kib * 1024;
    h.tableName = name;
    BlockFile::create(path, buildDataHeader(h));
    bool hasBlobs = std::any_of(h.fields.begin(), h.fields.end(),
                                [](const PxField& f) { return isBlobCode(f.code); });
    if (hasBlobs)
        BlobFile::create(companionFile(path, ".MB"));
    return path;
}

Table::Table(const fs::path& path, bool writable)
    : path_(path), label_("Table " + path.string()), writable_(writable),
      session_(path, WriteSession::Hooks{[this] { refresh(); }, [this] { return db_->modified(); },
                                         [this](bool open) { db_->setModified(open); }, [] {},
                                         [this] {
                                             batchDepth_ = 0;
                                             pending_.clear();
                                             load();
                                             ++changes_;
                                         }}) {
    load();
}

void Table::load() {
    db_.reset();
    db_.emplace(path_, writable_);
    header_ = parseDataHeader(db_->header(), path_.string());
    if (header_.fileType != ftype::KeyedDb && header_.fileType != ftype::UnkeyedDb)
        throw EngineError(code::NotSupported, "File " + path_.string() +
                                                  " is not a Paradox table (file type " +
                                                  std::to_string(header_.fileType) + ")");
    if (header_.fileType == ftype::UnkeyedDb)
        header_.keyFields = 0;
    fieldList_.clear();
    for (const PxField& f : header_.fields)
        fieldList_.push_back(f.def);
    try {
        page_.emplace(header_.codePage);
    } catch (const EngineError&) {
        page_.emplace(1252); // pages we have no table for read as Windows Latin 1
    }
    fold_.emplace(*page_);
    db_->attach({keyLengthOf(header_), {}, nullptr});
    pxPath_ = companionFile(path_, ".PX");
    pxCache_.clear();
    mb_.reset();
    fs::path mb = companionFile(path_, ".MB");
    std::error_code ec;
    if (fs::exists(mb, ec))
        mb_.emplace(mb, writable_);
    discoverIndexes();
}

SecondaryIndex* Table::secondary(const std::string& name) {
    for (auto& s : secondaries_)
        if (equalsIgnoreCase(s->info().def.name, name))
            return s.get();
    return nullptr;
}

void Table::refresh() {
    char now[hdr::DataHeaderEnd] = {};
    BinaryFile file(path_, BinaryFile::Mode::Read);
    file.readSome(0, now, sizeof now);
    if (std::memcmp(now, db_->header().data(), sizeof now) == 0)
        return;
    load();
    ++changes_;
}

void Table::flush() {
    writeDataHeader();
    if (keyed())
        writeIndexTree(pxPath_, pxHeader(), *db_, pxCache_);
    for (auto& s : secondaries_)
        s->flush();
    ++changes_;
}

void Table::writeDataHeader() {
    char* h = db_->header().data();
    putU16(h + hdr::WriteCounter, static_cast<std::uint16_t>(getU16(h + hdr::WriteCounter) + 1));
    putU32(h + hdr::AutoInc, header_.autoInc);
    db_->writeHeader();
}

} // namespace engine::paradox
