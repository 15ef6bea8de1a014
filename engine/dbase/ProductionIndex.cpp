#include "engine/dbase/ProductionIndex.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dbase/MdxCheck.h"
#include "engine/dbase/MdxCursor.h"
#include "engine/dbase/MdxFile.h"
#include "engine/dbase/MdxFormat.h"
#include "engine/dbase/MdxKeys.h"
#include "engine/dbase/MdxTag.h"
#include "engine/dbase/MdxTagBuild.h"
#include "engine/values/Codepage.h"

#include <algorithm>

namespace engine::dbase {

struct ProductionIndex::Tags {
    FieldList fields;
    Codepage codepage{1252};
    std::vector<std::shared_ptr<MdxTag>> list;

    MdxTag& find(const MdxFile& file, const std::string& name) const {
        for (const auto& tag : list)
            if (equalsIgnoreCase(tag->name(), name))
                return *tag;
        throw EngineError(code::NotFound, file.describe() + " has no tag " + name);
    }
    std::vector<MdxTagHeader> headers() const {
        std::vector<MdxTagHeader> h;
        for (const auto& tag : list)
            h.push_back(tag->header());
        return h;
    }
};

namespace {
std::string stem(const std::string& tableName) {
    return std::filesystem::path(tableName).stem().string();
}

void requireWritable(const MdxFile& file) {
    if (!file.writable())
        throw EngineError(code::ReadOnly, file.describe() + " is open read-only");
}

expr::RecordContext contextOf(RowId recno, const Record& record, bool deleted) {
    return expr::RecordContext{&record, recno, deleted};
}
} // namespace

ProductionIndex::ProductionIndex() = default;
ProductionIndex::~ProductionIndex() = default;

std::unique_ptr<ProductionIndex> ProductionIndex::open(const std::filesystem::path& mdxPath,
                                                       const std::string& tableName,
                                                       const FieldList& fields,
                                                       BinaryFile::Mode mode, LockMode lock,
                                                       std::uint8_t languageDriver) {
    std::unique_ptr<ProductionIndex> index(new ProductionIndex());
    index->file_ = std::make_shared<MdxFile>(mdxPath, mode, lock);
    const MdxFile& file = *index->file_;
    std::string expected = toUpperAscii(stem(tableName)).substr(0, 16);
    if (!equalsIgnoreCase(file.tableName(), expected))
        throw EngineError(code::IndexCorrupt, file.describe() + " belongs to table \"" +
                                                  file.tableName() + "\", not to " + expected);
    index->tags_ = std::make_unique<Tags>();
    index->tags_->fields = fields;
    index->tags_->codepage = Codepage::fromDbaseDriverId(languageDriver);
    for (MdxTagHeader& header : index->file_->readTagHeaders())
        index->tags_->list.push_back(std::make_shared<MdxTag>(index->file_, std::move(header),
                                                              fields, index->tags_->codepage));
    return index;
}

std::unique_ptr<ProductionIndex>
ProductionIndex::create(const std::filesystem::path& mdxPath, const std::string& tableName,
                        const FieldList& fields, std::uint8_t languageDriver, LockMode lock) {
    std::unique_ptr<ProductionIndex> index(new ProductionIndex());
    index->file_ = std::make_shared<MdxFile>(mdxPath, stem(tableName), languageDriver, lock);
    index->tags_ = std::make_unique<Tags>();
    index->tags_->fields = fields;
    index->tags_->codepage = Codepage::fromDbaseDriverId(languageDriver);
    return index;
}

std::vector<IndexDef> ProductionIndex::readDeclaredTags(const std::filesystem::path& mdxPath) {
    std::vector<IndexDef> defs;
    MdxFile file(mdxPath, BinaryFile::Mode::Read, LockMode::None, MdxFile::Strictness::Lenient);
    for (const MdxTagHeader& h : file.readTagHeaders()) {
        IndexDef def;
        def.name = h.name;
        def.expression = h.expression;
        def.forCondition = h.forCondition;
        def.unique = h.unique;
        def.descending = h.descending;
        defs.push_back(std::move(def));
    }
    return defs;
}

const std::filesystem::path& ProductionIndex::path() const {
    return file_->path();
}

std::vector<IndexInfo> ProductionIndex::tags() const {
    std::vector<IndexInfo> infos;
    for (const auto& tag : tags_->list)
        infos.push_back(tag->info());
    return infos;
}

bool ProductionIndex::fieldHasOwnTag(int field) const {
    return std::any_of(tags_->list.begin(), tags_->list.end(),
                       [&](const auto& tag) { return tag->isBareField(field); });
}

std::vector<int> ProductionIndex::fieldsUsed() const {
    std::vector<int> used;
    for (const auto& tag : tags_->list) {
        std::vector<int> own = tag->fieldsUsed();
        used.insert(used.end(), own.begin(), own.end());
    }
    return used;
}

std::vector<int> ProductionIndex::fieldsUsed(const IndexDef& tag, const FieldList& fields) {
    std::vector<int> used = expr::Expression::parse(tag.expression, fields).fieldsUsed();
    if (!tag.forCondition.empty()) {
        std::vector<int> more = expr::Expression::parse(tag.forCondition, fields).fieldsUsed();
        used.insert(used.end(), more.begin(), more.end());
    }
    return used;
}

void ProductionIndex::onAppend(RowId recno, const Record& record, bool deleted) {
    if (tags_->list.empty())
        return;
    requireWritable(*file_);
    auto context = contextOf(recno, record, deleted);
    for (const auto& tag : tags_->list) {
        if (!tag->passes(context))
            continue;
        std::string key = tag->keyOf(context);
        if (tag->header().unique && tag->tree().containsKey(key))
            continue;
        tag->tree().insert(key, static_cast<std::uint32_t>(recno));
        tag->changed();
    }
    file_->markUpdated();
}

void ProductionIndex::onUpdate(RowId recno, const Record& before, bool deletedBefore,
                               const Record& after, bool deletedAfter) {
    if (tags_->list.empty())
        return;
    requireWritable(*file_);
    auto was = contextOf(recno, before, deletedBefore);
    auto now = contextOf(recno, after, deletedAfter);
    auto r = static_cast<std::uint32_t>(recno);
    for (const auto& tag : tags_->list) {
        bool wasIn = tag->passes(was), isIn = tag->passes(now);
        std::string oldKey = wasIn ? tag->keyOf(was) : std::string();
        std::string newKey = isIn ? tag->keyOf(now) : std::string();
        if (wasIn && isIn && oldKey == newKey)
            continue;
        bool changed = wasIn && tag->tree().remove(oldKey, r);
        if (isIn && !(tag->header().unique && tag->tree().containsKey(newKey))) {
            tag->tree().insert(newKey, r);
            changed = true;
        }
        if (changed)
            tag->changed();
    }
    file_->markUpdated();
}

void ProductionIndex::addTags(const std::vector<IndexDef>& defs, const RecordSource& records) {
    requireWritable(*file_);
    if (tags_->list.size() + defs.size() > static_cast<std::size_t>(mdx::MaxTags))
        throw EngineError(code::InvalidParameter,
                          file_->describe() + " already holds " +
                              std::to_string(tags_->list.size()) +
                              " tags and 47 are the most a production index can hold; tag " +
                              defs.back().name + " is not added");
    std::vector<std::shared_ptr<MdxTag>> added;
    std::vector<MdxTag*> build;
    for (const IndexDef& def : defs) {
        MdxTagHeader header = MdxTag::declare(def, tags_->fields, file_->blockSize());
        for (const auto& tag : tags_->list)
            if (tag->name() == header.name)
                throw EngineError(code::IndexExists,
                                  file_->describe() + " already has a tag " + header.name);
        for (const auto& tag : added)
            if (tag->name() == header.name)
                throw EngineError(code::InvalidParameter,
                                  file_->describe() + ": tag " + header.name + " is given twice");
        header.headerPage = file_->appendBlocks(file_->tagHeaderBlocks());
        added.push_back(
            std::make_shared<MdxTag>(file_, std::move(header), tags_->fields, tags_->codepage));
        build.push_back(added.back().get());
    }
    buildTags(build, records);
    tags_->list.insert(tags_->list.end(), added.begin(), added.end());
    file_->writeTagTable(tags_->headers());
    file_->markUpdated();
}

void ProductionIndex::rebuild(const RecordSource& records) {
    requireWritable(*file_);
    file_->clear();
    std::vector<MdxTag*> all;
    for (const auto& tag : tags_->list) {
        tag->header().headerPage = file_->appendBlocks(file_->tagHeaderBlocks());
        file_->writeTagHeader(tag->header());
        all.push_back(tag.get());
    }
    // Declared before the trees exist: if the build fails, the tags can
    // still be read back (readDeclaredTags) and built again.
    file_->writeTagTable(tags_->headers());
    buildTags(all, records);
}

std::unique_ptr<IndexCursor> ProductionIndex::cursor(const std::string& tag) {
    for (const auto& t : tags_->list)
        if (equalsIgnoreCase(t->name(), tag))
            return std::make_unique<MdxCursor>(t);
    throw EngineError(code::NotFound, file_->describe() + " has no tag " + tag);
}

std::string ProductionIndex::key(const std::string& tag, const Record& record) {
    return tags_->find(*file_, tag).keyOf(contextOf(NoRow, record, false));
}

int ProductionIndex::compareKeys(const std::string& tag, const std::string& a,
                                 const std::string& b) {
    return tags_->find(*file_, tag).tree().compare(a, b);
}

std::vector<std::string> ProductionIndex::check(const RecordSource& records) {
    std::vector<MdxExpected> expected(tags_->list.size());
    records([&](RowId recno, const Record& record, bool deleted) {
        auto context = contextOf(recno, record, deleted);
        for (std::size_t t = 0; t < tags_->list.size(); ++t) {
            MdxTag& tag = *tags_->list[t];
            MdxExpected& e = expected[t];
            auto len = static_cast<std::size_t>(tag.header().keyLength);
            e.records = static_cast<std::uint32_t>(recno);
            e.passes.resize(recno, false);
            e.keys.resize(recno * len, ' ');
            if (!tag.passes(context))
                continue;
            e.passes[recno - 1] = true;
            e.keys.replace((recno - 1) * len, len, tag.keyOf(context));
        }
    });
    std::vector<std::string> faults;
    for (std::size_t t = 0; t < tags_->list.size(); ++t)
        for (std::string& line : checkTag(*tags_->list[t], expected[t]))
            faults.push_back(std::move(line));
    return faults;
}

bool ProductionIndex::replacedOnDisk() const {
    return file_->replacedOnDisk();
}

void ProductionIndex::refresh() {
    file_->reload();
    std::vector<MdxTagHeader> headers = file_->readTagHeaders();
    std::vector<std::shared_ptr<MdxTag>> fresh;
    for (MdxTagHeader& header : headers) {
        auto same = std::find_if(tags_->list.begin(), tags_->list.end(),
                                 [&](const auto& t) { return t->name() == header.name; });
        if (same != tags_->list.end() && (*same)->header().expression == header.expression &&
            (*same)->header().forCondition == header.forCondition) {
            (*same)->header() = header;
            (*same)->reloaded();
            fresh.push_back(*same);
        } else {
            fresh.push_back(
                std::make_shared<MdxTag>(file_, std::move(header), tags_->fields, tags_->codepage));
        }
    }
    tags_->list = std::move(fresh);
}

} // namespace engine::dbase
