#include "engine/paradox/SecondaryIndex.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/paradox/IndexTree.h"
#include "engine/paradox/RunSorter.h"

#include <algorithm>
#include <cstring>

namespace engine::paradox {

namespace {

constexpr int kHintWidth = 2;

bool isSingleFile(const IndexInfo& info) {
    return info.keyFields.size() == 1 && !info.def.caseInsensitive;
}

} // namespace

SecondaryIndex::SecondaryIndex(const DataHeader& table, IndexInfo info, std::filesystem::path x,
                               std::filesystem::path y, const CaseFold& fold)
    : info_(std::move(info)), xPath_(std::move(x)), yPath_(std::move(y)), fold_(&fold) {
    for (int i : info_.keyFields) {
        const PxField& f = table.fields[static_cast<std::size_t>(i)];
        if (info_.def.caseInsensitive && f.def.type == FieldType::Character)
            foldRanges_.emplace_back(secLength_, f.width);
        tableFields_.push_back(f);
        secLength_ += f.width;
    }
    pkLength_ = keyLengthOf(table);
    keyLength_ = secLength_ + pkLength_;
    header_ = xHeader(table);
}

DataHeader SecondaryIndex::xHeader(const DataHeader& table) const {
    DataHeader h;
    bool single = isSingleFile(info_);
    for (const PxField& f : tableFields_) {
        h.fields.push_back(f);
        if (single)
            h.fields.back().def.name = "Sec Key";
    }
    for (int i = 0; i < table.keyFields; ++i)
        h.fields.push_back(table.fields[static_cast<std::size_t>(i)]);
    h.fields.push_back(describeField({"Hint", FieldType::Short, 0, 0}, xPath_.string()));
    layOut(h.fields);
    h.keyFields = static_cast<int>(h.fields.size()) - 1;
    h.fileType = single ? ftype::SecondaryX : ftype::NamedX;
    h.version = table.version;
    h.blockSize = table.blockSize;
    h.codePage = table.codePage;
    h.sortOrder = table.sortOrder;
    h.sortOrderName = table.sortOrderName;
    h.tableName = xPath_.filename().string();
    for (int i : info_.keyFields)
        h.fieldNumbers.push_back(i + 1);
    for (int i = 0; i < table.keyFields; ++i)
        h.fieldNumbers.push_back(i + 1);
    h.fieldNumbers.push_back(0);
    h.indexName = info_.def.name;
    h.indexFieldNumber = single ? static_cast<std::uint8_t>(info_.keyFields[0] + 1) : 0;
    h.caseInsensitive = info_.def.caseInsensitive;
    return h;
}

SecondaryIndex SecondaryIndex::open(const DataHeader& table, const std::filesystem::path& x,
                                    const std::filesystem::path& y, const CaseFold& fold) {
    auto bad = [&](const std::string& why) {
        return EngineError(code::IndexCorrupt, "Index file " + x.string() + ": " + why);
    };
    DataHeader h;
    try {
        BlockFile file(x, false);
        h = parseDataHeader(file.header(), x.string());
    } catch (const EngineError& e) {
        throw bad(e.what());
    }
    int indexed = static_cast<int>(h.fields.size()) - table.keyFields - 1;
    if (indexed < 1 || h.keyFields != indexed + table.keyFields)
        throw bad("its fields do not match the table's primary key");
    IndexInfo info;
    for (int i = 0; i < indexed; ++i) {
        int number = h.fieldNumbers[static_cast<std::size_t>(i)];
        if (number < 1 || number > static_cast<int>(table.fields.size()) ||
            table.fields[static_cast<std::size_t>(number - 1)].width !=
                h.fields[static_cast<std::size_t>(i)].width)
            throw bad("it names field " + std::to_string(number) +
                      ", which the table does not have");
        info.keyFields.push_back(number - 1);
        if (!info.def.expression.empty())
            info.def.expression += ';';
        info.def.expression += table.fields[static_cast<std::size_t>(number - 1)].def.name;
    }
    info.def.caseInsensitive = h.caseInsensitive;
    info.def.name = h.indexName.empty() ? info.def.expression : h.indexName;
    return SecondaryIndex(table, std::move(info), x, y, fold);
}

BlockFile::KeyRule SecondaryIndex::rule() const {
    return {keyLength_, foldRanges_, fold_};
}

std::string SecondaryIndex::entryOf(const char* rec, std::uint16_t block) const {
    std::string entry;
    entry.reserve(static_cast<std::size_t>(keyLength_ + kHintWidth));
    for (const PxField& f : tableFields_)
        entry.append(rec + f.offset, static_cast<std::size_t>(f.width));
    entry.append(rec, static_cast<std::size_t>(pkLength_));
    char hint[kHintWidth];
    putSortableU16(hint, block);
    entry.append(hint, kHintWidth);
    return entry;
}

std::string SecondaryIndex::keyOf(const char* rec) const {
    std::string key;
    for (const PxField& f : tableFields_)
        key.append(rec + f.offset, static_cast<std::size_t>(f.width));
    for (auto [offset, length] : foldRanges_)
        fold_->apply(key.data() + offset, static_cast<std::size_t>(length));
    return key;
}

BlockFile& SecondaryIndex::file(bool writable) {
    if (x_ && (writable_ || !writable))
        return *x_;
    try {
        BlockFile f(xPath_, writable);
        if (f.recordSize() != keyLength_ + kHintWidth)
            throw EngineError(code::FileCorrupt,
                              "its record size does not match the table's fields");
        f.attach(rule());
        x_.emplace(std::move(f));
        writable_ = writable;
    } catch (const EngineError& e) {
        throw EngineError(code::IndexCorrupt, "Index " + info_.def.name + " (" + xPath_.string() +
                                                  ") is damaged: " + e.what() +
                                                  "; rebuild it with reindex");
    }
    return *x_;
}

void SecondaryIndex::rebuild(BlockFile& rows, const DataHeader& table, BesideFiles& files) {
    header_ = xHeader(table);
    x_.reset(); // opened again by its own name once the new file is in place
    treeCache_.clear();
    BlockFile f = BlockFile::create(files.beside(xPath_), buildDataHeader(header_));
    f.attach(rule());
    // Sorted by the sort key (folded for a case-insensitive index) put before each entry.
    auto keyLength = static_cast<std::size_t>(keyLength_);
    std::size_t entrySize = keyLength + kHintWidth;
    RunSorter sorted(keyLength + entrySize, keyLength, xPath_.parent_path());
    std::string item;
    for (int c = 0; c < static_cast<int>(rows.chain().size()); ++c) {
        std::uint16_t block = rows.chain()[static_cast<std::size_t>(c)].number;
        for (int s = 0; s < rows.chain()[static_cast<std::size_t>(c)].count; ++s) {
            std::string entry = entryOf(rows.recordAt(c, s), block);
            item = f.sortKey(entry.data());
            item += entry;
            sorted.add(item.data());
        }
    }
    RunWriter out(f);
    sorted.forEach([&](const char* i) { out.add(i + keyLength); });
    out.finish();
    f.writeHeader();
    writeIndexTree(files.beside(yPath_), treeHeader(), f, treeCache_);
}

void SecondaryIndex::insert(const char* rec, std::uint16_t block) {
    file(true).insert(entryOf(rec, block).data());
}

void SecondaryIndex::remove(const char* rec) {
    BlockFile& f = file(true);
    Slot at = f.find(f.sortKey(entryOf(rec, 0).data()));
    if (at.block != 0)
        f.remove(at);
}

TreeHeader SecondaryIndex::treeHeader() const {
    TreeHeader t;
    for (int i = 0; i < header_.keyFields; ++i) {
        const PxField& field = header_.fields[static_cast<std::size_t>(i)];
        t.keyFields.emplace_back(field.code, field.sizeByte);
    }
    t.keyLength = keyLength_;
    t.fileType = isSingleFile(info_) ? ftype::SecondaryY : ftype::NamedY;
    t.version = header_.version;
    t.sortOrder = header_.sortOrder;
    t.tableName = yPath_.filename().string();
    return t;
}

void SecondaryIndex::flush() {
    BlockFile& f = file(true);
    f.writeHeader();
    writeIndexTree(yPath_, treeHeader(), f, treeCache_);
}

std::vector<std::string> SecondaryIndex::check(const std::string& label) {
    std::vector<std::string> faults;
    try {
        BlockFile& f = file(false);
        faults = f.check(label);
        auto tree = checkIndexTree(yPath_, f, label + " tree");
        faults.insert(faults.end(), tree.begin(), tree.end());
    } catch (const EngineError& e) {
        faults.push_back(label + ": " + e.what());
    }
    return faults;
}

} // namespace engine::paradox
