#include "engine/paradox/Table.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"
#include "engine/paradox/BesideFiles.h"
#include "engine/paradox/IndexTree.h"
#include "engine/paradox/ParadoxDriver.h"
#include "engine/values/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace engine::paradox {

namespace fs = std::filesystem;

namespace {

constexpr int kMinTreeFanout = 3;

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The value of a hexadecimal digit (one that isHexDigit accepts).
int hexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// The index number in a companion extension: ".X0A" -> 10, ".XG2" -> 0x102 (named), else -1.
int secondaryNumber(const std::string& ext) {
    std::string e = toUpperAscii(ext);
    if (e.size() == 4 && e[1] == 'X' && e[2] == 'G' && isHexDigit(e[3]))
        return 0x100 + hexValue(e[3]);
    if (e.size() == 4 && e[1] == 'X' && isHexDigit(e[2]) && isHexDigit(e[3]))
        return hexValue(e[2]) * 16 + hexValue(e[3]);
    return -1;
}

// The table's index files: .PX, .Xnn/.Ynn, .XGn/.YGn.
bool isIndexExtension(std::string ext) {
    if (equalsIgnoreCase(ext, ".PX"))
        return true;
    if (ext.size() == 4 && (ext[1] == 'Y' || ext[1] == 'y'))
        ext[1] = 'X';
    return secondaryNumber(ext) >= 0;
}

std::string hex(int value, int digits) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string describeValue(const Value& v) {
    if (v.isNull())
        return "blank";
    if (v.isText())
        return "'" + v.text() + "'";
    if (v.isDate())
        return v.date().toIso();
    if (v.isBool())
        return v.boolean() ? "true" : "false";
    if (v.isInteger())
        return std::to_string(v.integer());
    if (v.isDecimal())
        return v.decimal().text;
    if (v.isNumber())
        return formatNumber(v.number(), -1);
    return "bytes";
}

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

std::string primaryKeyProblem(const FieldList& fields, const std::vector<int>& keyFields) {
    for (std::size_t i = 0; i < keyFields.size(); ++i)
        if (keyFields[i] != static_cast<int>(i))
            return "the primary key must be the leading fields in table order";
    for (int i : keyFields)
        if (fields[static_cast<std::size_t>(i)].type == FieldType::Logical)
            return "a logical field cannot be part of the primary key";
    return {};
}

DefinitionProblems indexProblems(const FieldList& fields, const IndexDef& def) {
    DefinitionProblems problems;
    const std::string subject = def.primary ? "primary key" : "index " + def.name;
    auto refuse = [&](const std::string& why) {
        problems.push_back(
            {def.name, subject + " (" + def.expression + "): " + why, code::InvalidParameter});
    };
    if (def.descending || !def.forCondition.empty())
        refuse("Paradox indexes here are ascending and cover every row");
    std::vector<int> keyFields;
    std::size_t start = 0;
    while (start <= def.expression.size()) {
        std::size_t end = def.expression.find(';', start);
        if (end == std::string::npos)
            end = def.expression.size();
        std::string name = trim(def.expression.substr(start, end - start));
        start = end + 1;
        int i = findField(fields, name);
        if (i < 0)
            refuse("the table has no field \"" + name + "\"");
        else if (isBlobType(fields[static_cast<std::size_t>(i)].type))
            refuse("field " + name + " cannot be part of an index");
        else if (std::find(keyFields.begin(), keyFields.end(), i) != keyFields.end())
            refuse("field " + name + " is given twice");
        else
            keyFields.push_back(i);
    }
    if (problems.empty() && def.primary)
        if (std::string why = primaryKeyProblem(fields, keyFields); !why.empty())
            refuse(why);
    if (problems.empty() && !def.primary && keyFields.size() > 1 && def.name.empty())
        refuse("a composite index needs a name");
    return problems;
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

void Table::discoverIndexes() {
    secondaries_.clear();
    if (!keyed())
        return;
    std::vector<std::pair<int, fs::path>> found;
    fs::path dir = path_.parent_path().empty() ? fs::path(".") : path_.parent_path();
    for (const fs::path& p : directoryEntries(dir)) {
        int number = secondaryNumber(p.extension().string());
        if (number >= 0 && equalsIgnoreCase(p.stem().string(), path_.stem().string()))
            found.emplace_back(number, p);
    }
    std::sort(found.begin(), found.end());
    for (auto& [number, x] : found) {
        std::string yExt = x.extension().string();
        yExt[1] = yExt[1] == 'x' ? 'y' : 'Y';
        fs::path y = x;
        y.replace_extension(yExt);
        secondaries_.push_back(
            std::make_unique<SecondaryIndex>(SecondaryIndex::open(header_, x, y, *fold_)));
    }
}

SecondaryIndex* Table::secondary(const std::string& name) {
    for (auto& s : secondaries_)
        if (equalsIgnoreCase(s->info().def.name, name))
            return s.get();
    return nullptr;
}

BlobFile& Table::blobs() {
    if (!mb_)
        mb_ = BlobFile::create(companionFile(path_, ".MB"));
    return *mb_;
}

std::string Table::keyOf(const char* bytes) const {
    return std::string(bytes, static_cast<std::size_t>(db_->keyLength()));
}

void Table::keyViolation(const char* bytes, int keyFields) const {
    std::string key;
    for (int i = 0; i < keyFields; ++i) {
        const PxField& f = header_.fields[static_cast<std::size_t>(i)];
        if (!key.empty())
            key += ", ";
        key += f.def.name + " = " + describeValue(decodeValue(f, *page_, bytes + f.offset));
    }
    throw EngineError(code::KeyViolation, "Key violation in table " + path_.string() +
                                              ": the key (" + key + ") is already in the table");
}

void Table::requireUnique(const char* bytes) {
    if (!keyed())
        return;
    std::string key = keyOf(bytes);
    if (pending_.containsKey(key) || db_->find(key).block != 0)
        keyViolation(bytes, header_.keyFields);
}

std::string Table::encode(const Record& record, const std::string& action) {
    if (record.size() > header_.fields.size())
        throw EngineError(code::InvalidParameter,
                          label_ + ": " + action + " with " + std::to_string(record.size()) +
                              " values for " + std::to_string(header_.fields.size()) + " fields");
    std::string bytes(static_cast<std::size_t>(db_->recordSize()), '\0');
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const PxField& f = header_.fields[i];
        if (isBlobCode(f.code))
            continue;
        static const Value blank;
        const Value& given = i < record.size() ? record[i] : blank;
        Value counter;
        if (f.def.type == FieldType::AutoInc && given.isNull())
            counter = Value(static_cast<std::int64_t>(header_.autoInc));
        encodeValue(f, counter.isNull() ? given : counter, *page_, bytes.data() + f.offset, label_);
    }
    return bytes;
}

void Table::checkValues(const Record& record) {
    encode(record, "check");
    for (std::size_t i = 0; i < header_.fields.size() && i < record.size(); ++i)
        if (isBlobCode(header_.fields[i].code) && !record[i].isNull())
            blobBytes(header_.fields[i], record[i]);
}

std::string Table::blobBytes(const PxField& f, const Value& v) const {
    std::string context = label_ + ", field " + f.def.name;
    if (f.def.type == FieldType::Graphic)
        throw EngineError(code::NotSupported, context + ": graphic values are read, not written");
    if (f.def.type == FieldType::Memo || f.def.type == FieldType::FormattedMemo) {
        if (!v.isText())
            throw EngineError(code::BadValue, context + ": a text was expected");
        return page_->fromUtf8(v.text(), context);
    }
    if (v.isBlob())
        return v.blob().bytes;
    if (v.isText())
        return v.text();
    throw EngineError(code::BadValue, context + ": bytes were expected");
}

void Table::storeBlobs(const Record& record, std::string& bytes, const std::string* old) {
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const PxField& f = header_.fields[i];
        if (!isBlobCode(f.code) || i >= record.size() || record[i].isNull())
            continue;
        const Value& v = record[i];
        if (old && readBlob(f, old->data() + f.offset) == v) {
            std::memcpy(bytes.data() + f.offset, old->data() + f.offset,
                        static_cast<std::size_t>(f.width));
            continue;
        }
        std::string data = blobBytes(f, v);
        if (data.empty())
            continue;
        char* at = bytes.data() + f.offset;
        int leader = f.leader();
        std::memcpy(at, data.data(),
                    std::min<std::size_t>(data.size(), static_cast<std::size_t>(leader)));
        putU32(at + leader + 4, static_cast<std::uint32_t>(data.size()));
        if (data.size() > static_cast<std::size_t>(leader)) {
            BlobRef ref = blobs().write(data);
            putU32(at + leader, ref.locator);
            putU16(at + leader + 8, ref.modification);
        }
    }
}

Value Table::readBlob(const PxField& f, const char* at) {
    int leader = f.leader();
    std::uint32_t locator = getU32(at + leader);
    std::uint32_t length = getU32(at + leader + 4);
    if (length == 0)
        return {};
    std::string data;
    if (locator == 0 && length <= static_cast<std::uint32_t>(leader)) {
        data.assign(at, length);
    } else {
        if (!mb_)
            throw EngineError(code::FileNotFound,
                              label_ + ": field " + f.def.name + " needs the blob file " +
                                  companionFile(path_, ".MB").string() + ", which is missing");
        data = mb_->read(locator, length);
    }
    if (f.def.type == FieldType::Graphic)
        data.erase(
            0, std::min<std::size_t>(8, data.size())); // the graphic header in front of the image
    if (f.def.type == FieldType::Memo || f.def.type == FieldType::FormattedMemo)
        return Value(page_->toUtf8(data));
    return Value(Blob{std::move(data)});
}

void Table::releaseBlobs(const char* bytes) {
    for (const PxField& f : header_.fields) {
        if (!isBlobCode(f.code) || !mb_)
            continue;
        std::uint32_t locator = getU32(bytes + f.offset + f.leader());
        if (locator != 0)
            mb_->release(locator);
    }
}

Record Table::read(RowId row) {
    Slot at = slotOf(row);
    std::string bytes(db_->record(at), static_cast<std::size_t>(db_->recordSize()));
    Record out;
    out.reserve(header_.fields.size());
    for (const PxField& f : header_.fields)
        out.push_back(isBlobCode(f.code) ? readBlob(f, bytes.data() + f.offset)
                                         : decodeValue(f, *page_, bytes.data() + f.offset));
    return out;
}

Value Table::readField(RowId row, int field) {
    if (field < 0 || field >= static_cast<int>(header_.fields.size()))
        throw EngineError(code::InvalidParameter,
                          label_ + " has no field number " + std::to_string(field));
    const PxField& f = header_.fields[static_cast<std::size_t>(field)];
    std::string bytes(db_->record(slotOf(row)) + f.offset, static_cast<std::size_t>(f.width));
    return isBlobCode(f.code) ? readBlob(f, bytes.data()) : decodeValue(f, *page_, bytes.data());
}

RowId Table::append(const Record& record) {
    std::string bytes = encode(record, "append");
    requireUnique(bytes.data());
    storeBlobs(record, bytes, nullptr);
    for (const PxField& f : header_.fields)
        if (f.def.type == FieldType::AutoInc)
            header_.autoInc = std::max<std::uint32_t>(
                header_.autoInc,
                static_cast<std::uint32_t>(
                    decodeValue(f, *page_, bytes.data() + f.offset).integer() + 1));
    if (batchDepth_ > 0) {
        pending_.add(bytes.data());
        return NoRow;
    }
    Slot at = db_->insert(bytes.data());
    for (auto& s : secondaries_)
        s->insert(bytes.data(), at.block);
    flush();
    return rowIdOf(at);
}

RowId Table::update(RowId row, const Record& record) {
    Slot at = slotOf(row);
    std::string old(db_->record(at), static_cast<std::size_t>(db_->recordSize()));
    std::string bytes = encode(record, "update");
    bool sameKey = !keyed() || keyOf(bytes.data()) == keyOf(old.data());
    if (!sameKey && db_->find(keyOf(bytes.data())).block != 0)
        keyViolation(bytes.data(), header_.keyFields);
    storeBlobs(record, bytes, &old);
    for (auto& s : secondaries_)
        s->remove(old.data());
    if (sameKey) {
        db_->replace(at, bytes.data());
    } else {
        db_->remove(at);
        at = db_->insert(bytes.data());
    }
    for (auto& s : secondaries_)
        s->insert(bytes.data(), at.block);
    // Blob values the new record no longer uses.
    for (const PxField& f : header_.fields) {
        if (!isBlobCode(f.code) || !mb_)
            continue;
        std::uint32_t was = getU32(old.data() + f.offset + f.leader());
        if (was != 0 && was != getU32(bytes.data() + f.offset + f.leader()))
            mb_->release(was);
    }
    flush();
    return rowIdOf(at);
}

void Table::remove(RowId row) {
    Slot at = slotOf(row);
    std::string old(db_->record(at), static_cast<std::size_t>(db_->recordSize()));
    db_->remove(at);
    for (auto& s : secondaries_)
        s->remove(old.data());
    releaseBlobs(old.data());
    flush();
}

void Table::beginBatch() {
    if (batchDepth_++ == 0)
        pending_.reset(db_->recordSize(), db_->keyLength());
}

void Table::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0 || pending_.empty())
        return;
    auto keyLength = static_cast<std::size_t>(db_->keyLength());
    std::vector<std::size_t> order(pending_.size());
    std::iota(order.begin(), order.end(), 0);
    if (keyed())
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::memcmp(pending_.at(a), pending_.at(b), keyLength) < 0;
        });
    auto recordSize = static_cast<std::size_t>(db_->recordSize());
    if (db_->recordCount() == 0 || !keyed()) {
        std::string run(order.size() * recordSize, '\0');
        for (std::size_t i = 0; i < order.size(); ++i)
            std::memcpy(run.data() + i * recordSize, pending_.at(order[i]), recordSize);
        pending_.clear();
        db_->appendRun(run.data(), order.size());
        rebuildIndexes(); // whole, as a reindex writes them
        return;
    }
    for (std::size_t i : order) {
        Slot at = db_->insert(pending_.at(i));
        for (auto& s : secondaries_)
            s->insert(pending_.at(i), at.block);
    }
    pending_.clear();
    flush();
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

TreeHeader Table::pxHeader() const {
    TreeHeader t;
    for (int i = 0; i < header_.keyFields; ++i) {
        const PxField& f = header_.fields[static_cast<std::size_t>(i)];
        t.keyFields.emplace_back(f.code, f.sizeByte);
    }
    t.keyLength = db_->keyLength();
    t.version = header_.version;
    t.sortOrder = header_.sortOrder;
    t.tableName = pxPath_.filename().string();
    return t;
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

std::vector<IndexInfo> Table::indexes() const {
    std::vector<IndexInfo> out;
    if (keyed()) {
        IndexInfo primary;
        primary.def.primary = true;
        primary.def.unique = true;
        for (int i = 0; i < header_.keyFields; ++i) {
            primary.keyFields.push_back(i);
            if (i > 0)
                primary.def.expression += ';';
            primary.def.expression += header_.fields[static_cast<std::size_t>(i)].def.name;
        }
        out.push_back(primary);
    }
    for (const auto& s : secondaries_)
        out.push_back(s->info());
    return out;
}

std::string Table::indexKey(const std::string& name, const Record& record) {
    SecondaryIndex* s = name.empty() ? nullptr : secondary(name);
    if (!name.empty() && !s)
        throw EngineError(code::NotFound, label_ + " has no index " + name);
    // Encode only the fields the key uses, so other fields' values do not matter.
    std::string bytes(static_cast<std::size_t>(db_->recordSize()), '\0');
    std::vector<int> fields = s ? s->info().keyFields : std::vector<int>();
    if (!s)
        for (int i = 0; i < header_.keyFields; ++i)
            fields.push_back(i);
    for (int i : fields) {
        const PxField& f = header_.fields[static_cast<std::size_t>(i)];
        if (static_cast<std::size_t>(i) < record.size())
            encodeValue(f, record[static_cast<std::size_t>(i)], *page_, bytes.data() + f.offset,
                        label_);
    }
    return s ? s->keyOf(bytes.data()) : keyOf(bytes.data());
}

std::vector<int> Table::parseFieldList(const std::string& expression) const {
    std::vector<int> out;
    std::size_t start = 0;
    while (start <= expression.size()) {
        std::size_t end = expression.find(';', start);
        if (end == std::string::npos)
            end = expression.size();
        std::string name = trim(expression.substr(start, end - start));
        int i = findField(fieldList_, name);
        if (i < 0)
            throw EngineError(code::InvalidParameter,
                              label_ + " has no field \"" + name + "\" for an index");
        const PxField& f = header_.fields[static_cast<std::size_t>(i)];
        if (isBlobCode(f.code))
            throw EngineError(code::InvalidParameter,
                              label_ + ": field " + f.def.name + " cannot be part of an index");
        if (std::find(out.begin(), out.end(), i) != out.end())
            throw EngineError(code::InvalidParameter,
                              label_ + ": field " + f.def.name + " is given twice in an index");
        out.push_back(i);
        start = end + 1;
    }
    return out;
}

void Table::addIndex(const IndexDef& def) {
    removeBuildLeftovers();
    if (def.descending || !def.forCondition.empty())
        throw EngineError(code::NotSupported,
                          label_ + ": Paradox indexes here are ascending and cover every row");
    std::vector<int> fields = parseFieldList(def.expression);
    int keyLength = 0;
    for (int i : fields)
        keyLength += header_.fields[static_cast<std::size_t>(i)].width;
    if (def.primary) {
        if (std::string why = primaryKeyProblem(fieldList_, fields); !why.empty())
            throw EngineError(code::InvalidParameter, label_ + ": " + why);
        if ((db_->blockSize() - 6) / (keyLength + 6) < kMinTreeFanout)
            throw EngineError(code::InvalidParameter,
                              label_ + ": a key of " + std::to_string(keyLength) +
                                  " bytes is too long for the table's blocks");
        // Every row, in key order; two rows with one key refuse the key.
        std::vector<std::string> rows;
        for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c)
            for (int s = 0; s < db_->chain()[static_cast<std::size_t>(c)].count; ++s)
                rows.emplace_back(db_->recordAt(c, s), static_cast<std::size_t>(db_->recordSize()));
        auto less = [&](const std::string& a, const std::string& b) {
            return std::memcmp(a.data(), b.data(), static_cast<std::size_t>(keyLength)) < 0;
        };
        std::stable_sort(rows.begin(), rows.end(), less);
        for (std::size_t i = 1; i < rows.size(); ++i)
            if (std::memcmp(rows[i - 1].data(), rows[i].data(),
                            static_cast<std::size_t>(keyLength)) == 0)
                keyViolation(rows[i].data(), static_cast<int>(fields.size()));
        header_.keyFields = static_cast<int>(fields.size());
        header_.fileType = ftype::KeyedDb;
        std::string fresh = buildDataHeader(header_);
        std::memcpy(fresh.data() + hdr::WriteCounter, db_->header().data() + hdr::WriteCounter, 2);
        db_->header() = fresh;
        db_->clear();
        db_->attach({keyLength, {}, nullptr});
        std::string run;
        for (const std::string& r : rows)
            run += r;
        db_->appendRun(run.data(), rows.size());
        db_->writeWholeHeader();
        // The old secondary indexes carry the old key; build them anew.
        std::vector<IndexInfo> kept;
        for (auto& s : secondaries_)
            kept.push_back(s->info());
        std::vector<std::pair<fs::path, fs::path>> files;
        for (auto& s : secondaries_)
            files.emplace_back(s->xPath(), s->yPath());
        secondaries_.clear();
        for (std::size_t i = 0; i < kept.size(); ++i)
            secondaries_.push_back(std::make_unique<SecondaryIndex>(
                header_, kept[i], files[i].first, files[i].second, *fold_));
        rebuildIndexes();
        return;
    }
    if (!keyed())
        throw EngineError(code::InvalidParameter,
                          label_ + " has no primary key; a secondary index needs one");
    bool single =
        fields.size() == 1 && !def.caseInsensitive &&
        (def.name.empty() ||
         equalsIgnoreCase(def.name, fieldList_[static_cast<std::size_t>(fields[0])].name));
    IndexInfo info;
    info.def = def;
    info.def.primary = false;
    info.def.unique = false;
    info.keyFields = fields;
    if (single)
        info.def.name = fieldList_[static_cast<std::size_t>(fields[0])].name;
    if (info.def.name.empty())
        throw EngineError(code::InvalidParameter,
                          label_ + ": a composite or case-insensitive index needs a name");
    if (secondary(info.def.name))
        throw EngineError(code::InvalidParameter,
                          label_ + " already has an index named " + info.def.name);
    if ((db_->blockSize() - 6) / (keyLength + db_->keyLength() + 8) < kMinTreeFanout)
        throw EngineError(code::InvalidParameter,
                          label_ + ": index " + info.def.name + " has too long a key");
    std::string ext;
    if (single) {
        ext = "X" + hex(fields[0] + 1, 2);
    } else {
        for (int n = 0; n < 16 && ext.empty(); ++n) {
            bool used = std::any_of(secondaries_.begin(), secondaries_.end(), [&](const auto& s) {
                return secondaryNumber(s->xPath().extension().string()) == 0x100 + n;
            });
            if (!used)
                ext = "XG" + hex(n, 1);
        }
        if (ext.empty())
            throw EngineError(code::InvalidParameter, label_ + " has 16 named indexes already");
    }
    fs::path x = companionFile(path_, "." + ext);
    std::string yExt = ext;
    yExt[0] = 'Y';
    fs::path y = companionFile(path_, "." + yExt);
    auto index = std::make_unique<SecondaryIndex>(header_, info, x, y, *fold_);
    BesideFiles built;
    index->rebuild(indexEntries(*index), header_, built);
    built.replaceAll();
    secondaries_.push_back(std::move(index));
    writeDataHeader(); // other programs see the new index at their next read
    ++changes_;
}

std::vector<std::string> Table::indexEntries(SecondaryIndex& index) {
    std::vector<std::string> entries;
    entries.reserve(db_->recordCount());
    for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c) {
        const auto& block = db_->chain()[static_cast<std::size_t>(c)];
        for (int s = 0; s < block.count; ++s)
            entries.push_back(index.entryOf(db_->recordAt(c, s), block.number));
    }
    return entries;
}

void Table::rebuildIndexes() {
    BesideFiles built;
    if (keyed()) {
        pxCache_.clear(); // written whole, whatever the file holds now
        writeIndexTree(built.beside(pxPath_), pxHeader(), *db_, pxCache_);
    }
    for (auto& s : secondaries_)
        s->rebuild(indexEntries(*s), header_, built);
    built.replaceAll();
    writeDataHeader(); // other programs read the new files at their next read
    ++changes_;
}

void Table::removeBuildLeftovers() {
    BesideFiles::removeLeftovers(path_.parent_path(), [&](const fs::path& file) {
        return equalsIgnoreCase(file.stem().string(), path_.stem().string()) &&
               isIndexExtension(file.extension().string());
    });
}

void Table::reindex() {
    removeBuildLeftovers();
    rebuildIndexes();
}

std::vector<std::string> Table::check() {
    std::vector<std::string> faults;
    std::string name = path_.filename().string();
    auto add = [&](std::vector<std::string> more) {
        faults.insert(faults.end(), more.begin(), more.end());
    };
    for (const std::string& fault : descriptorFaults(header_.fields))
        faults.push_back(name + ": " + fault);
    try {
        add(db_->check(name));
        if (keyed())
            add(checkIndexTree(pxPath_, *db_, pxPath_.filename().string()));
        for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c) {
            const auto& block = db_->chain()[static_cast<std::size_t>(c)];
            for (int s = 0; s < block.count; ++s) {
                const char* rec = db_->recordAt(c, s);
                for (const PxField& f : header_.fields) {
                    if (!isBlobCode(f.code))
                        continue;
                    std::uint32_t locator = getU32(rec + f.offset + f.leader());
                    std::uint32_t length = getU32(rec + f.offset + f.leader() + 4);
                    if (locator == 0 && length <= static_cast<std::uint32_t>(f.leader()))
                        continue;
                    std::string fault =
                        mb_ ? mb_->verify(locator, length) : "needs the missing blob file";
                    if (!fault.empty())
                        faults.push_back(name + ": block " + std::to_string(block.number) +
                                         " slot " + std::to_string(s) + ", field " + f.def.name +
                                         ": the blob " + fault);
                }
            }
        }
    } catch (const EngineError& e) {
        faults.push_back(name + ": " + e.what());
    }
    for (auto& index : secondaries_) {
        std::string label = index->xPath().filename().string();
        std::vector<std::string> own = index->check(label);
        if (own.empty()) {
            // Every row once, in (key, primary key) order.
            try {
                std::vector<std::string> expected = indexEntries(*index);
                BlockFile& x = index->file(false);
                for (auto& e : expected)
                    e = x.sortKey(e.data());
                std::sort(expected.begin(), expected.end());
                std::size_t i = 0;
                for (int c = 0; c < static_cast<int>(x.chain().size()); ++c)
                    for (int s = 0; s < x.chain()[static_cast<std::size_t>(c)].count; ++s, ++i)
                        if (i >= expected.size() || x.sortKey(x.recordAt(c, s)) != expected[i]) {
                            own.push_back(label + ": entry " + std::to_string(i) +
                                          " does not match the table's rows");
                            c = static_cast<int>(x.chain().size()) - 1;
                            break;
                        }
                if (own.empty() && i != expected.size())
                    own.push_back(label + ": " + std::to_string(i) + " entries for " +
                                  std::to_string(expected.size()) + " rows");
            } catch (const EngineError& e) {
                own.push_back(label + ": " + e.what());
            }
        }
        add(std::move(own));
    }
    return faults;
}

} // namespace engine::paradox
