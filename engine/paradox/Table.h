#pragma once

#include "engine/files/WriteSession.h"
#include "engine/paradox/BlobFile.h"
#include "engine/paradox/BlockFile.h"
#include "engine/paradox/Header.h"
#include "engine/paradox/IndexTree.h"
#include "engine/paradox/PendingRows.h"
#include "engine/paradox/RunSorter.h"
#include "engine/paradox/SecondaryIndex.h"
#include "engine/table/TableFile.h"
#include "engine/values/Codepage.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine::paradox {

RowId rowIdOf(Slot at);
Slot slotOf(RowId row);

// The files of one Paradox table, shared by every handle that this process
// has open on it, so that a write through one handle is seen by the others.
class Table {
public:
    Table(const std::filesystem::path& path, bool writable);
    static std::filesystem::path create(const std::filesystem::path& path, const FieldList& fields,
                                        int blockKiB);

    const std::filesystem::path& path() const { return path_; }
    const FieldList& fields() const { return fieldList_; }
    bool keyed() const { return header_.keyFields > 0; }
    bool writable() const { return writable_; }
    // Every write runs in this session (shared by the handles of this process).
    WriteSession& session() { return session_; }
    std::uint64_t rowCount() const {
        return db_->recordCount() + pending_.size() + (batchRuns_ ? batchRuns_->size() : 0);
    }
    std::uint64_t changes() const { return changes_; }
    BlockFile& db() { return *db_; }
    SecondaryIndex* secondary(const std::string& name);
    // What a reader should know: a code page we do not carry.
    std::vector<std::string> warnings() const;
    // Throws EngineError(ReadOnly) naming the code page when it is one we do not carry.
    void refuseUnknownPage() const;

    Record read(RowId row);
    Value readField(RowId row, int field);
    RowId append(const Record& record);
    void checkValues(const Record& record);
    RowId update(RowId row, const Record& record);
    void remove(RowId row);
    void beginBatch();
    void endBatch();
    void refresh();

    std::vector<IndexInfo> indexes() const;
    std::string indexKey(const std::string& name, const Record& record);
    void addIndex(const IndexDef& def);
    void reindex();
    std::vector<std::string> check();

private:
    void load();
    void discoverIndexes();
    std::string encode(const Record& record, const std::string& action);
    // The bytes a blob field stores for `value`, or an error naming the field.
    std::string blobBytes(const PxField& field, const Value& value) const;
    void storeBlobs(const Record& record, std::string& bytes, const std::string* old);
    Value readBlob(const PxField& field, const char* at);
    void releaseBlobs(const char* bytes);
    std::string keyOf(const char* bytes) const;
    [[noreturn]] void keyViolation(const char* bytes, int keyFields) const;
    void requireUnique(const char* bytes);
    // Moves the batch's pending rows on: to the .DB, or to the batch's sorted runs.
    void storePending();
    std::vector<int> parseFieldList(const std::string& expression) const;
    void addPrimaryKey(const std::vector<int>& fields, int keyLength);
    void addSecondaryIndex(const IndexDef& def, const std::vector<int>& fields, int keyLength);
    // ".Xnn" for an index on field `singleField` alone (-1: a named index, ".XGn").
    std::string secondaryExtension(int singleField) const;
    std::vector<std::string> checkBlobReferences(const std::string& name);
    std::vector<std::string> checkSecondary(SecondaryIndex& index);
    // Writes the .PX and every secondary index anew beside the old files,
    // and puts them in place once all are complete.
    void rebuildIndexes();
    void removeBuildLeftovers();
    void flush();
    void writeDataHeader();
    TreeHeader pxHeader() const;
    BlobFile& blobs();

    std::filesystem::path path_;
    std::string label_; // "Table <path>", the start of messages
    bool writable_;
    DataHeader header_;
    FieldList fieldList_;
    std::optional<Codepage> page_;
    int unknownPage_ = 0; // the header's code page when we do not carry it
    std::optional<CaseFold> fold_;
    std::optional<BlockFile> db_;
    std::optional<BlobFile> mb_;
    std::filesystem::path pxPath_;
    TreeCache pxCache_; // the .PX as written last
    std::vector<std::unique_ptr<SecondaryIndex>> secondaries_;
    std::uint64_t changes_ = 0;
    int batchDepth_ = 0;
    PendingRows pending_;
    // A batch into an empty keyed table keeps its rows in sorted runs and
    // writes them in key order at its end, packed as one load lays them out.
    std::optional<RunSorter> batchRuns_;
    std::uint64_t batchStored_ = 0; // rows of the batch moved on from pending_
    WriteSession session_;
};

} // namespace engine::paradox
