#include "engine/dbase/DbfTable.h"

#include "engine/base/DroppedWork.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dbase/FieldCodec.h"
#include "engine/dbase/NaturalCursor.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"

#include <algorithm>
#include <cstdio>

namespace engine::dbase {

namespace fs = std::filesystem;

namespace {

BinaryFile::Mode modeOf(const OpenOptions& options) {
    return options.readOnly ? BinaryFile::Mode::Read : BinaryFile::Mode::ReadWrite;
}

std::string tableNameOf(const fs::path& path) {
    return toUpperAscii(path.stem().string());
}

bool isEmptyMemo(const Value& v) {
    return v.isNull() || (v.isText() && v.text().empty()) || (v.isBlob() && v.blob().bytes.empty());
}

} // namespace

DbfTable::DbfTable(const fs::path& path, const OpenOptions& options)
    : path_(path), options_(options),
      lock_(options.exclusive ? LockMode::Exclusive : LockMode::Shared),
      file_(path, modeOf(options), lock_), header_(readDbfHeader(file_)),
      codepage_(Codepage::fromDbaseDriverId(header_.languageDriver)), changes_(path),
      session_(path, WriteSession::Hooks{[this] { takeInChanges(); }, [this] { return marked(); },
                                         [this](bool open) { mark(open); },
                                         [this] { flushBuffers(); }, [this] { reloadFiles(); }}) {
    for (const FieldDef& f : header_.fields) {
        contexts_.push_back("Table " + name() + ", field " + f.name);
        blob_.push_back(isBlobType(f.type));
    }
    memoBytes_.resize(header_.fields.size());
    memoConverted_.resize(header_.fields.size());
    records_ = std::make_unique<DbfRecords>(file_, header_.headerLength, header_.recordLength,
                                            header_.recordCount);
    if (std::find(blob_.begin(), blob_.end(), 1) != blob_.end()) {
        fs::path dbt = companionFile(path_, ".DBT");
        if (!fileExists(dbt))
            throw EngineError(code::FileNotFound, "Table " + name() + ": its memo file " +
                                                      dbt.string() + " is missing");
        memo_.emplace(dbt, modeOf(options), lock_, header_.dbase3Memos());
        records_->setBeforeFlush([this] { memo_->flush(); });
    }
    if (header_.productionIndex)
        openIndexFile();
}

DbfTable::~DbfTable() {
    if (!session_.active())
        return;
    session_.rollback();
    reportDroppedWork(EngineError(code::IoError, "Table " + name() +
                                                     " was closed in the middle of a batch; "
                                                     "the batch's rows were not stored"));
}

void DbfTable::openIndexFile() {
    index_.reset();
    indexProblem_.clear();
    indexProblemCode_ = 0;
    fs::path mdx = companionFile(path_, ".MDX");
    if (!fileExists(mdx)) {
        indexProblem_ = "production index " + mdx.string() + " is missing";
        indexProblemCode_ = code::FileNotFound;
        return;
    }
    try {
        index_ = ProductionIndex::open(mdx, tableNameOf(path_), header_.fields, modeOf(options_),
                                       lock_, header_.languageDriver);
    } catch (const EngineError& e) {
        // In use elsewhere is not damage: the table cannot be opened now.
        if (e.code() == code::Locked)
            throw;
        indexProblem_ = e.what();
        indexProblemCode_ = e.code();
    }
}

void DbfTable::requireRow(RowId row) const {
    if (row < 1 || row > records_->count())
        throw EngineError(code::NotFound,
                          "Table " + name() + " has no record " + std::to_string(row));
}

std::string DbfTable::unmappedDriver() const {
    if (Codepage::mapsDbaseDriver(header_.languageDriver))
        return "";
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", header_.languageDriver);
    return "Table " + name() + ": its language driver " + byte +
           " names a code page this program does not carry; its text is shown as Latin-1 and "
           "the table can only be read";
}

std::vector<std::string> DbfTable::warnings() const {
    std::string driver = unmappedDriver();
    return driver.empty() ? std::vector<std::string>{} : std::vector<std::string>{driver};
}

void DbfTable::refuseReadOnly() const {
    if (options_.readOnly)
        throw EngineError(code::ReadOnly, "Table " + name() + " is open read-only");
    if (!Codepage::mapsDbaseDriver(header_.languageDriver)) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", header_.languageDriver);
        throw EngineError(code::ReadOnly, "Table " + name() +
                                              " cannot be changed: its language driver " + byte +
                                              " names a code page this program does not carry");
    }
}

void DbfTable::requireWritable() const {
    refuseReadOnly();
    if (!indexProblem_.empty())
        throw EngineError(indexProblemCode_, "Table " + name() +
                                                 " cannot be changed while its production index "
                                                 "is unusable: " +
                                                 indexProblem_);
}

Value DbfTable::readMemo(std::size_t field, std::string_view raw) const {
    std::uint32_t block = decodeBlockPointer(raw);
    if (block == 0)
        return Value();
    std::string data = memo_->read(block, fieldContext(field));
    if (header_.fields[field].type == FieldType::Memo)
        return Value(isAscii(data) ? std::move(data) : codepage_.toUtf8(data));
    return Value(Blob{std::move(data)});
}

Record DbfTable::read(RowId row) {
    requireRow(row);
    std::string_view raw = records_->raw(row);
    Record record;
    record.reserve(header_.fields.size());
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const FieldDef& f = header_.fields[i];
        std::string_view bytes = raw.substr(header_.offsets[i], f.length);
        record.push_back(blob_[i] ? readMemo(i, bytes) : decodeField(f, bytes, codepage_));
    }
    return record;
}

Value DbfTable::readField(RowId row, int field) {
    requireRow(row);
    if (field < 0 || static_cast<std::size_t>(field) >= header_.fields.size())
        throw EngineError(code::InvalidParameter,
                          "Table " + name() + " has no field number " + std::to_string(field));
    std::string_view bytes =
        records_->raw(row).substr(header_.offsets[field], header_.fields[field].length);
    return blob_[field] ? readMemo(field, bytes)
                        : decodeField(header_.fields[field], bytes, codepage_);
}

bool DbfTable::isDeleted(RowId row) {
    requireRow(row);
    return records_->raw(row)[0] == '*';
}

void DbfTable::checkValues(const Record& record) {
    if (record.size() != header_.fields.size())
        throw EngineError(code::InvalidParameter,
                          "Table " + name() + " has " + std::to_string(header_.fields.size()) +
                              " fields, the record " + std::to_string(record.size()) + " values");
    std::string scratch(header_.recordLength, ' ');
    for (std::size_t i = 0; i < record.size(); ++i) {
        const Value& v = record[i];
        if (!blob_[i])
            encodeField(header_.fields[i], v, scratch.data() + header_.offsets[i], codepage_,
                        fieldContext(i));
        else if (v.isText() && header_.fields[i].type == FieldType::Memo && !isAscii(v.text()))
            codepage_.fromUtf8(v.text(), fieldContext(i));
        else if (!v.isNull() && !v.isText() && !v.isBlob())
            throw EngineError(code::BadValue,
                              fieldContext(i) + ": a memo field needs text or bytes");
    }
}

const std::string& DbfTable::encode(const Record& record, std::string_view before,
                                    const Record* old) {
    if (record.size() != header_.fields.size())
        throw EngineError(code::InvalidParameter,
                          "Table " + name() + " has " + std::to_string(header_.fields.size()) +
                              " fields, the record " + std::to_string(record.size()) + " values");
    encoded_.assign(header_.recordLength, ' ');
    // Plain fields first: a value that does not fit leaves no memo behind.
    for (std::size_t i = 0; i < record.size(); ++i)
        if (!blob_[i])
            encodeField(header_.fields[i], record[i], encoded_.data() + header_.offsets[i],
                        codepage_, fieldContext(i));
    if (!memo_)
        return encoded_;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const Value& v = record[i];
        memoBytes_[i] = {};
        if (!blob_[i] || isEmptyMemo(v) || (old && (*old)[i] == v))
            continue;
        if (v.isText() && header_.fields[i].type == FieldType::Memo && !isAscii(v.text()))
            memoBytes_[i] = memoConverted_[i] = codepage_.fromUtf8(v.text(), fieldContext(i));
        else if (v.isText())
            memoBytes_[i] = v.text();
        else if (v.isBlob())
            memoBytes_[i] = v.blob().bytes;
        else
            throw EngineError(code::BadValue,
                              fieldContext(i) + ": a memo field needs text or bytes");
    }
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (!blob_[i])
            continue;
        char* out = encoded_.data() + header_.offsets[i];
        if (old && (*old)[i] == record[i] && !before.empty())
            std::copy_n(before.data() + header_.offsets[i], 10, out);
        else
            encodeBlockPointer(isEmptyMemo(record[i]) ? 0 : memo_->append(memoBytes_[i]), out);
    }
    return encoded_;
}

Record DbfTable::stored(std::string_view bytes, const Record& given) const {
    Record record;
    record.reserve(given.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
        const FieldDef& f = header_.fields[i];
        if (isBlobType(f.type))
            record.push_back(isEmptyMemo(given[i]) ? Value() : given[i]);
        else
            record.push_back(decodeField(f, bytes.substr(header_.offsets[i], f.length), codepage_));
    }
    return record;
}

RowId DbfTable::append(const Record& record) {
    requireWritable();
    return session_.run([&] {
        const std::string& bytes = encode(record, {}, nullptr);
        RowId row = records_->append(bytes);
        if (index_)
            index_->onAppend(row, stored(bytes, record), false);
        changes_.bump();
        return row;
    });
}

RowId DbfTable::update(RowId row, const Record& record) {
    requireWritable();
    return session_.run([&] {
        requireRow(row);
        std::string before(records_->raw(row));
        Record old = read(row);
        std::string bytes = encode(record, before, &old);
        bytes[0] = before[0];
        records_->write(row, bytes);
        if (index_) {
            bool deleted = before[0] == '*';
            index_->onUpdate(row, old, deleted, stored(bytes, record), deleted);
        }
        changes_.bump();
        return row;
    });
}

void DbfTable::remove(RowId row) {
    requireWritable();
    session_.run([&] {
        requireRow(row);
        if (records_->raw(row)[0] == '*')
            return;
        Record old = index_ ? read(row) : Record();
        records_->writeFlag(row, '*');
        if (index_)
            index_->onUpdate(row, old, false, old, true);
        changes_.bump();
    });
}

// Copies records as bytes, and memo values block by block, when the source
// has this table's fields and code page. Tables with tags take the way
// through values, which keeps their keys.
std::optional<std::uint64_t>
DbfTable::appendCopiesOf(TableFile& other, const std::function<void(std::uint64_t)>& progress) {
    auto* source = dynamic_cast<DbfTable*>(&other);
    if (!source || source == this || index_ || source->header_.fields != header_.fields ||
        source->codepage_.number() != codepage_.number() || (memo_ && !source->memo_))
        return std::nullopt;
    requireWritable();
    return session_.run([&] {
        std::string bytes;
        std::uint64_t copied = 0;
        for (RowId row = 1; row <= source->rowCount(); ++row) {
            std::string_view raw = source->records_->raw(row);
            if (raw[0] == '*')
                continue;
            bytes.assign(raw);
            for (std::size_t i = 0; i < header_.fields.size(); ++i) {
                if (!blob_[i])
                    continue;
                char* pointer = bytes.data() + header_.offsets[i];
                std::uint32_t block = decodeBlockPointer(std::string_view(pointer, 10));
                if (block != 0) {
                    std::string value = source->memo_->read(block, source->fieldContext(i));
                    encodeBlockPointer(memo_->append(value), pointer);
                }
            }
            records_->append(bytes);
            if (++copied % 4096 == 0 && progress)
                progress(copied);
        }
        changes_.bump();
        return std::optional<std::uint64_t>(copied);
    });
}

// Copies the planned fields byte for byte (memo values block by block) and
// encodes only the others. Into a table with tags only while it is empty:
// its keys are then built once at the end rather than row by row.
std::optional<std::uint64_t> DbfTable::appendPlanned(TableFile& other, const AppendPlan& plan) {
    auto* source = dynamic_cast<DbfTable*>(&other);
    if (!source || source == this || source->codepage_.number() != codepage_.number() ||
        (index_ && rowCount() > 0) || plan.sameBytes.size() != header_.fields.size())
        return std::nullopt;
    // Made once: a record with every field blank, the runs of bytes that
    // are copied as they are (neighbouring fields in both layouts make one
    // run), the memo fields copied block by block and the fields converted.
    struct Run {
        std::size_t from, to, length;
    };
    std::vector<Run> runs;
    std::vector<std::size_t> memos, converted;
    std::string blank(header_.recordLength, ' ');
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        int from = plan.sameBytes[i];
        if (blob_[i] && from == ConvertField)
            return std::nullopt; // a value turned into a memo takes the way through values
        if (blob_[i])
            encodeBlockPointer(0, blank.data() + header_.offsets[i]);
        else
            encodeField(header_.fields[i], Value(), blank.data() + header_.offsets[i], codepage_,
                        fieldContext(i));
        if (from == ConvertField) {
            converted.push_back(i);
        } else if (from >= 0 && blob_[i]) {
            memos.push_back(i);
        } else if (from >= 0) {
            Run run{static_cast<std::size_t>(source->header_.offsets[from]),
                    static_cast<std::size_t>(header_.offsets[i]),
                    static_cast<std::size_t>(header_.fields[i].length)};
            if (!runs.empty() && runs.back().from + runs.back().length == run.from &&
                runs.back().to + runs.back().length == run.to)
                runs.back().length += run.length;
            else
                runs.push_back(run);
        }
    }
    requireWritable();
    return session_.run([&] {
        std::string copy;
        // Every byte that a row does not set stays blank from row to row.
        std::string bytes = blank;
        std::uint64_t appended = 0;
        records_->reserve(source->rowCount());
        for (RowId row = 1; row <= source->rowCount(); ++row) {
            std::string_view record = source->records_->raw(row);
            if (record[0] == '*')
                continue;
            if (!converted.empty()) {
                // Converting a field reads the source again.
                copy.assign(record);
                record = copy;
            }
            for (const Run& run : runs)
                std::copy_n(record.data() + run.from, run.length, bytes.data() + run.to);
            for (std::size_t i : converted)
                encodeField(header_.fields[i], plan.convert(row, static_cast<int>(i)),
                            bytes.data() + header_.offsets[i], codepage_, fieldContext(i));
            for (std::size_t i : memos) {
                int from = plan.sameBytes[i];
                std::uint32_t block = decodeBlockPointer(
                    std::string_view(record.data() + source->header_.offsets[from], 10));
                encodeBlockPointer(
                    block ? memo_->append(source->memo_->read(block, source->fieldContext(from)))
                          : 0,
                    bytes.data() + header_.offsets[i]);
            }
            records_->append(bytes);
            if (++appended % 4096 == 0 && plan.progress)
                plan.progress(appended);
        }
        records_->unreserve(); // the space of deleted rows
        if (index_)
            reindex();
        changes_.bump();
        return std::optional<std::uint64_t>(appended);
    });
}

void DbfTable::beginAppendBatch() {
    requireWritable();
    session_.begin();
    records_->beginBatch();
    if (memo_)
        memo_->beginBatch();
}

void DbfTable::endAppendBatch() {
    // A batch whose write failed was rolled back then: nothing is left to end.
    if (!session_.active())
        return;
    try {
        if (memo_)
            memo_->endBatch();
        records_->endBatch();
    } catch (...) {
        session_.rollback();
        throw;
    }
    session_.commit();
}

void DbfTable::cancelAppendBatch() {
    session_.rollback();
}

void DbfTable::refresh() {
    // Inside a session the write lock keeps other writers out.
    if (!session_.active())
        takeInChanges();
}

void DbfTable::takeInChanges() {
    // Another program put a new table in this one's place (a restore, say):
    // what this handle would write would reach no file anyone reads.
    if (file_.replacedOnDisk())
        throw EngineError(code::FileCorrupt,
                          "Table " + name() + " was replaced by another program; open it again");
    records_->flush();
    DbfHeader fresh = readDbfHeader(file_);
    if (fresh.fields != header_.fields || fresh.headerLength != header_.headerLength)
        throw EngineError(code::FileCorrupt,
                          "Table " + name() +
                              " was restructured by another program; open it again");
    header_ = std::move(fresh);
    records_->reset(header_.recordCount);
    if (memo_)
        memo_->refresh();
    // Another program may have built the production index anew (beside, then renamed).
    if (index_ && index_->replacedOnDisk())
        openIndexFile();
    else if (!index_ && header_.productionIndex)
        openIndexFile();
    else if (index_)
        index_->refresh();
}

bool DbfTable::marked() const {
    char flag = 0;
    file_.readSome(kIncompleteOffset, &flag, 1);
    return flag != 0;
}

void DbfTable::mark(bool open) {
    char flag = open ? 1 : 0;
    file_.writeAt(kIncompleteOffset, &flag, 1);
}

void DbfTable::flushBuffers() {
    if (memo_)
        memo_->flush();
    records_->flush();
}

void DbfTable::reloadFiles() {
    records_->reset(0); // drops buffered rows and the batch
    if (memo_)
        memo_->discard();
    takeInChanges();
}

Date DbfTable::lastUpdate() const {
    return Date::isValidYmd(header_.year, header_.month, header_.day)
               ? Date::fromYmd(header_.year, header_.month, header_.day)
               : Date();
}

std::vector<IndexInfo> DbfTable::indexes() const {
    return index_ ? index_->tags() : std::vector<IndexInfo>{};
}

ProductionIndex& DbfTable::requireIndex(const std::string& tag) {
    if (index_)
        return *index_;
    if (!indexProblem_.empty())
        throw EngineError(indexProblemCode_, "Table " + name() + ": index tag " + tag +
                                                 " is unavailable: " + indexProblem_);
    throw EngineError(code::NotFound, "Table " + name() + " has no index tag " + tag);
}

std::unique_ptr<IndexCursor> DbfTable::openIndex(const std::string& tag) {
    if (tag.empty())
        return std::make_unique<NaturalCursor>([this] { return rowCount(); });
    records_->flush();
    return requireIndex(tag).cursor(tag);
}

std::string DbfTable::indexKey(const std::string& tag, const Record& record) {
    return requireIndex(tag).key(tag, record);
}

int DbfTable::compareKeys(const std::string& tag, const std::string& a, const std::string& b) {
    return requireIndex(tag).compareKeys(tag, a, b);
}

ProductionIndex::RecordSource DbfTable::recordSource(std::vector<int> fields) {
    std::sort(fields.begin(), fields.end());
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
    return [this, fields](const ProductionIndex::RecordVisitor& visit) {
        Record record(header_.fields.size());
        std::uint64_t n = rowCount();
        for (RowId row = 1; row <= n; ++row) {
            std::string_view raw = records_->raw(row);
            bool deleted = raw[0] == '*';
            for (int f : fields) {
                std::string_view bytes = raw.substr(header_.offsets[f], header_.fields[f].length);
                record[f] = blob_[f] ? readMemo(f, bytes)
                                     : decodeField(header_.fields[f], bytes, codepage_);
            }
            visit(row, record, deleted);
        }
    };
}

void DbfTable::writeIndexFlags() {
    header_.productionIndex = index_ != nullptr;
    char flag = header_.productionIndex ? 1 : 0;
    file_.writeAt(kMdxFlagOffset, &flag, 1);
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        std::uint8_t own = index_ && index_->fieldHasOwnTag(static_cast<int>(i)) ? 1 : 0;
        if (own != header_.ownTag[i]) {
            header_.ownTag[i] = own;
            file_.writeAt(kFixedHeaderSize + i * kDescriptorSize + 31, &own, 1);
        }
    }
}

void DbfTable::addIndex(const IndexDef& index) {
    refuseReadOnly();
    if (index.primary || index.caseInsensitive)
        throw EngineError(code::InvalidParameter,
                          "Table " + name() +
                              ": dBase tags have no primary or case-insensitive option");
    session_.run([&] {
        if (!index_ && indexProblemCode_ != 0 && indexProblemCode_ != code::FileNotFound)
            throw EngineError(indexProblemCode_, "Table " + name() +
                                                     ": rebuild its production index (reindex) "
                                                     "before adding a tag: " +
                                                     indexProblem_);
        buildIndexBeside({index}, index_ != nullptr);
        writeIndexFlags();
        changes_.bump();
    });
}

void DbfTable::buildIndexBeside(const std::vector<IndexDef>& tags, bool copyCurrent) {
    flushBuffers();
    fs::path mdx = companionFile(path_, ".MDX");
    // A name of its own: no other program takes it for the table's index.
    fs::path beside = mdx.parent_path() / ("." + mdx.filename().string() + ".new");
    std::vector<int> fields;
    for (const IndexDef& tag : tags) {
        std::vector<int> used = ProductionIndex::fieldsUsed(tag, header_.fields);
        fields.insert(fields.end(), used.begin(), used.end());
    }
    try {
        {
            std::unique_ptr<ProductionIndex> built;
            if (copyCurrent) {
                copyFile(mdx, beside);
                built = ProductionIndex::open(beside, tableNameOf(path_), header_.fields,
                                              BinaryFile::Mode::ReadWrite, LockMode::Exclusive,
                                              header_.languageDriver);
            } else {
                built = ProductionIndex::create(beside, tableNameOf(path_), header_.fields,
                                                header_.languageDriver, LockMode::Exclusive);
            }
            built->addTags(tags, recordSource(fields));
        }
        index_.reset();
        renameOver(beside, mdx);
    } catch (...) {
        std::error_code ignored;
        fs::remove(beside, ignored);
        throw;
    }
    openIndexFile();
}

void DbfTable::reindex() {
    refuseReadOnly();
    session_.run(
        [&] {
            std::vector<IndexDef> tags;
            if (index_) {
                for (const IndexInfo& info : index_->tags())
                    tags.push_back(info.def);
            } else if (header_.productionIndex) {
                fs::path mdx = companionFile(path_, ".MDX");
                if (!fileExists(mdx))
                    throw EngineError(code::FileNotFound,
                                      "Table " + name() + ": its production index " + mdx.string() +
                                          " is missing, so the tags it held are unknown; add "
                                          "them again");
                tags = ProductionIndex::readDeclaredTags(mdx);
            } else {
                return;
            }
            buildIndexBeside(tags, false);
            writeIndexFlags();
            changes_.bump();
        },
        WriteSession::Purpose::Repair);
}

} // namespace engine::dbase
