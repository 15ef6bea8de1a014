#include "engine/paradox/Table.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"
#include "engine/paradox/BesideFiles.h"
#include "engine/paradox/IndexTree.h"
#include "engine/paradox/ParadoxDriver.h"
#include "engine/paradox/RunSorter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

} // namespace

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

void Table::addIndex(const IndexDef& def) {
    removeBuildLeftovers();
    if (def.descending || !def.forCondition.empty())
        throw EngineError(code::NotSupported,
                          label_ + ": Paradox indexes here are ascending and cover every row");
    std::vector<int> fields = parseFieldList(def.expression);
    int keyLength = 0;
    for (int i : fields)
        keyLength += header_.fields[static_cast<std::size_t>(i)].width;
    if (def.primary)
        addPrimaryKey(fields, keyLength);
    else
        addSecondaryIndex(def, fields, keyLength);
}

void Table::addPrimaryKey(const std::vector<int>& fields, int keyLength) {
    if (std::string why = primaryKeyProblem(fieldList_, fields); !why.empty())
        throw EngineError(code::InvalidParameter, label_ + ": " + why);
    if ((db_->blockSize() - 6) / (keyLength + 6) < kMinTreeFanout)
        throw EngineError(code::InvalidParameter, label_ + ": a key of " +
                                                      std::to_string(keyLength) +
                                                      " bytes is too long for the table's blocks");
    // Every row, in key order; two rows with one key refuse the key.
    auto keyBytes = static_cast<std::size_t>(keyLength);
    RunSorter sorted(static_cast<std::size_t>(db_->recordSize()), keyBytes, path_.parent_path());
    for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c)
        for (int s = 0; s < db_->chain()[static_cast<std::size_t>(c)].count; ++s)
            sorted.add(db_->recordAt(c, s));
    std::string previous;
    sorted.forEach([&](const char* row) {
        if (!previous.empty() && std::memcmp(previous.data(), row, keyBytes) == 0)
            keyViolation(row, static_cast<int>(fields.size()));
        previous.assign(row, keyBytes);
    });
    header_.keyFields = static_cast<int>(fields.size());
    header_.fileType = ftype::KeyedDb;
    std::string fresh = buildDataHeader(header_);
    std::memcpy(fresh.data() + hdr::WriteCounter, db_->header().data() + hdr::WriteCounter, 2);
    db_->header() = fresh;
    db_->clear();
    db_->attach({keyLength, {}, nullptr});
    RunWriter out(*db_);
    sorted.forEach([&](const char* row) { out.add(row); });
    out.finish();
    db_->writeWholeHeader();
    // The old secondary indexes carry the old key; build them anew.
    std::vector<std::unique_ptr<SecondaryIndex>> old = std::move(secondaries_);
    secondaries_.clear();
    for (auto& s : old)
        secondaries_.push_back(
            std::make_unique<SecondaryIndex>(header_, s->info(), s->xPath(), s->yPath(), *fold_));
    rebuildIndexes();
}

void Table::addSecondaryIndex(const IndexDef& def, const std::vector<int>& fields, int keyLength) {
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
        throw EngineError(code::IndexExists,
                          label_ + " already has an index named " + info.def.name);
    if ((db_->blockSize() - 6) / (keyLength + db_->keyLength() + 8) < kMinTreeFanout)
        throw EngineError(code::InvalidParameter,
                          label_ + ": index " + info.def.name + " has too long a key");
    std::string ext = secondaryExtension(single ? fields[0] : -1);
    fs::path x = companionFile(path_, "." + ext);
    std::string yExt = ext;
    yExt[0] = 'Y';
    fs::path y = companionFile(path_, "." + yExt);
    auto index = std::make_unique<SecondaryIndex>(header_, info, x, y, *fold_);
    BesideFiles built;
    index->rebuild(*db_, header_, built);
    built.replaceAll();
    secondaries_.push_back(std::move(index));
    writeDataHeader(); // other programs see the new index at their next read
    ++changes_;
}

std::string Table::secondaryExtension(int singleField) const {
    if (singleField >= 0)
        return "X" + hex(singleField + 1, 2);
    for (int n = 0; n < 16; ++n) {
        bool used = std::any_of(secondaries_.begin(), secondaries_.end(), [&](const auto& s) {
            return secondaryNumber(s->xPath().extension().string()) == 0x100 + n;
        });
        if (!used)
            return "XG" + hex(n, 1);
    }
    throw EngineError(code::InvalidParameter, label_ + " has 16 named indexes already");
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

void Table::rebuildIndexes() {
    BesideFiles built;
    if (keyed()) {
        pxCache_.clear(); // written whole, whatever the file holds now
        writeIndexTree(built.beside(pxPath_), pxHeader(), *db_, pxCache_);
    }
    for (auto& s : secondaries_)
        s->rebuild(*db_, header_, built);
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

} // namespace engine::paradox
