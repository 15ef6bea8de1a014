#include "engine/paradox/Table.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/values/NumberText.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace engine::paradox {

namespace fs = std::filesystem;

namespace {

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

} // namespace

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
    if (pending_.containsKey(key) || (batchRuns_ && batchRuns_->holdsSpilled(key)) ||
        db_->find(key).block != 0)
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
        if (pending_.full()) {
            storePending();
            if (batchRuns_)
                batchRuns_->endRun(); // so that memory holds one chunk of rows, not two
        }
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
    if (batchDepth_++ > 0)
        return;
    pending_.reset(db_->recordSize(), db_->keyLength());
    batchRuns_.reset();
    if (keyed() && db_->recordCount() == 0)
        batchRuns_.emplace(static_cast<std::size_t>(db_->recordSize()),
                           static_cast<std::size_t>(db_->keyLength()), path_.parent_path(),
                           RunSorter::Lookups::Yes);
    batchStored_ = 0;
}

void Table::storePending() {
    if (pending_.empty())
        return;
    batchStored_ += pending_.size();
    if (batchRuns_) {
        for (std::size_t i = 0; i < pending_.size(); ++i)
            batchRuns_->add(pending_.at(i));
        pending_.clear();
        return;
    }
    if (!keyed()) {
        // After every stored row: whole blocks, as one load of all the rows lays them out.
        RunWriter out(*db_);
        for (std::size_t i = 0; i < pending_.size(); ++i)
            out.add(pending_.at(i));
        out.finish();
        pending_.clear();
        return;
    }
    auto keyLength = static_cast<std::size_t>(db_->keyLength());
    std::vector<std::size_t> order(pending_.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::memcmp(pending_.at(a), pending_.at(b), keyLength) < 0;
    });
    for (std::size_t i : order) {
        Slot at = db_->insert(pending_.at(i));
        for (auto& s : secondaries_)
            s->insert(pending_.at(i), at.block);
    }
    pending_.clear();
}

void Table::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    storePending();
    if (batchStored_ == 0)
        return;
    bool intoEmpty = batchRuns_.has_value();
    if (intoEmpty) {
        RunWriter out(*db_);
        batchRuns_->forEach([&](const char* row) { out.add(row); });
        out.finish();
        batchRuns_.reset();
    }
    if (keyed() && !intoEmpty)
        flush(); // rows inserted among those the table had
    else
        rebuildIndexes(); // whole, as a reindex writes them
}

} // namespace engine::paradox
