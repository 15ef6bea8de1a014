#pragma once

#include "engine/dbase/ChangeCounter.h"
#include "engine/dbase/DbaseDetails.h"
#include "engine/dbase/DbfHeader.h"
#include "engine/dbase/DbfRecords.h"
#include "engine/dbase/MemoFile.h"
#include "engine/dbase/ProductionIndex.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/WriteSession.h"
#include "engine/table/TableFile.h"
#include "engine/values/Codepage.h"

#include <memory>
#include <optional>

namespace engine::dbase {

// A dBase table: the DBF with its DBT memo file and its production index.
// RowId is the record number. Deleting sets the record's flag; the record
// and its index entries stay until the table is packed.
class DbfTable : public TableFile, public DbaseDetails {
public:
    DbfTable(const std::filesystem::path& path, const OpenOptions& options);
    // A batch still open is rolled back and reported (reportDroppedWork).
    ~DbfTable() override;

    TableKind kind() const override { return TableKind::DBase; }
    const std::filesystem::path& path() const override { return path_; }
    const FieldList& fields() const override { return header_.fields; }

    std::uint64_t rowCount() const override { return records_->count(); }
    Record read(RowId row) override;
    Value readField(RowId row, int field) override;
    bool isDeleted(RowId row) override;
    RowId append(const Record& record) override;
    void checkValues(const Record& record) override;
    RowId update(RowId row, const Record& record) override;
    void remove(RowId row) override;
    std::optional<std::uint64_t> appendCopiesOf(TableFile& source) override;
    std::optional<std::uint64_t> appendPlanned(TableFile& source, const AppendPlan& plan) override;
    void beginAppendBatch() override;
    void endAppendBatch() override;
    void cancelAppendBatch() override;

    std::uint64_t changeCount() const override { return changes_.value(); }
    bool stableRowIds() const override { return true; }
    void refresh() override;

    std::vector<IndexInfo> indexes() const override;
    std::unique_ptr<IndexCursor> openIndex(const std::string& name) override;
    std::string indexKey(const std::string& name, const Record& record) override;
    int compareKeys(const std::string& name, const std::string& a, const std::string& b) override;
    void addIndex(const IndexDef& index) override;
    void reindex() override;
    std::vector<std::string> check() override;
    std::vector<std::string> warnings() const override;

    std::uint8_t versionByte() const override { return header_.version; }
    std::uint8_t languageDriver() const override { return header_.languageDriver; }
    int codepage() const override { return codepage_.number(); }
    Date lastUpdate() const override;
    std::uint32_t memoBlockSize() const override { return memo_ ? memo_->blockSize() : 0; }
    std::string indexProblem() const override { return indexProblem_; }

private:
    std::string name() const { return path_.string(); }
    const std::string& fieldContext(std::size_t field) const { return contexts_[field]; }
    void requireRow(RowId row) const;
    void requireWritable() const;
    ProductionIndex& requireIndex(const std::string& tag);
    Value readMemo(std::size_t field, std::string_view raw) const;
    // Encodes a record; new memo values are appended to the DBT. For an
    // update, `before` and `old` are the stored bytes and values, so that
    // unchanged memos keep their blocks.
    const std::string& encode(const Record& record, std::string_view before, const Record* old);
    // The record as it reads back after encoding (what index keys are computed from).
    Record stored(std::string_view bytes, const Record& given) const;
    // Every record with only `fields` read (the others null).
    ProductionIndex::RecordSource recordSource(std::vector<int> fields);
    void openIndexFile();
    void writeIndexFlags();
    // Builds a production index beside the table's (a copy of it with
    // `copyCurrent`, else an empty one), adds `tags` to it and, once it is
    // complete and on disk, renames it over the table's.
    void buildIndexBeside(const std::vector<IndexDef>& tags, bool copyCurrent);
    // The edges of a write session (WriteSession::Hooks).
    void takeInChanges();
    bool marked() const;
    void mark(bool open);
    void flushBuffers();
    void reloadFiles();
    void checkRecords(std::vector<std::string>& faults);
    // Refuses a write to a table opened read-only, or whose language driver
    // names a code page we do not carry (its text would be written wrong).
    void refuseReadOnly() const;
    std::string unmappedDriver() const; // the warning, or ""

    std::filesystem::path path_;
    OpenOptions options_;
    LockMode lock_;
    BinaryFile file_;
    DbfHeader header_;
    Codepage codepage_;
    std::optional<MemoFile> memo_;
    std::unique_ptr<DbfRecords> records_;
    std::unique_ptr<ProductionIndex> index_;
    std::vector<std::string> contexts_; // "Table T, field F" for messages
    std::vector<char> blob_;            // per field: value in the memo file
    // Scratch space of encode(), kept to spare allocations per record.
    std::string encoded_;
    std::vector<std::string_view> memoBytes_;
    std::vector<std::string> memoConverted_;
    std::string indexProblem_;
    std::uint16_t indexProblemCode_ = 0;
    ChangeCounter changes_;
    WriteSession session_;
};

} // namespace engine::dbase
