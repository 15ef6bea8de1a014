#include "engine/paradox/ParadoxDriver.h"
#include "engine/base/DroppedWork.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"
#include "engine/paradox/Table.h"

#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace engine::paradox {

namespace fs = std::filesystem;

namespace {

// One Table per file for the whole process, so that every handle sees the
// others' writes.
// One Table per file for the whole process, so that every handle sees the
// others' writes. It is opened for writing whenever the file allows it;
// read-only handles are refused writes by the handle itself.
std::shared_ptr<Table> sharedTable(const fs::path& path) {
    static std::mutex mutex;
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<Table>> open;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw EngineError(code::FileNotFound, "Table " + path.string() + " does not exist");
    std::lock_guard lock(mutex);
    auto& slot = open[{st.st_dev, st.st_ino}];
    std::shared_ptr<Table> table = slot.lock();
    if (!table) {
        bool canWrite = ::access(path.c_str(), W_OK) == 0;
        table = std::make_shared<Table>(path, canWrite);
        slot = table;
    }
    return table;
}

class Cursor : public IndexCursor {
public:
    Cursor(std::shared_ptr<Table> table, std::string index)
        : table_(std::move(table)), name_(std::move(index)) {}

    bool first() override { return moveTo(0, 0); }
    bool last() override {
        const auto& chain = file().chain();
        if (chain.empty())
            return moveTo(0, 0);
        return moveTo(static_cast<int>(chain.size()) - 1, chain.back().count - 1);
    }
    bool next() override {
        if (state_ == After)
            return false;
        if (state_ == Before)
            return first();
        return moveTo(block_, slot_ + 1);
    }
    bool prior() override {
        if (state_ == Before)
            return false;
        if (state_ == After)
            return last();
        return moveTo(block_, slot_ - 1);
    }
    bool seek(const std::string& key) override {
        if (name_.empty() && !table_->keyed())
            throw EngineError(code::NotSupported,
                              "Table " + table_->path().string() + " has no key to seek in");
        auto [block, slot] = file().lowerBound(key);
        return moveTo(block, slot);
    }
    const std::string& key() const override { return key_; }
    RowId row() const override { return row_; }

private:
    enum State { Before, On, After };

    // The index is looked up at every move: a refresh may have read it anew.
    SecondaryIndex* index() {
        if (name_.empty())
            return nullptr;
        SecondaryIndex* found = table_->secondary(name_);
        if (!found)
            throw EngineError(code::NotFound,
                              "Table " + table_->path().string() + " has no index " + name_);
        return found;
    }
    BlockFile& file() {
        SecondaryIndex* s = index();
        return s ? s->file(false) : table_->db();
    }

    // Settles on the given place; a slot past the end of its block moves on to
    // the next block, a slot before the start back to the previous one.
    bool moveTo(int block, int slot) {
        SecondaryIndex* index = this->index();
        BlockFile& f = index ? index->file(false) : table_->db();
        const auto& chain = f.chain();
        int blocks = static_cast<int>(chain.size());
        while (block >= 0 && block < blocks) {
            int count = chain[static_cast<std::size_t>(block)].count;
            if (slot >= count) {
                ++block;
                slot = 0;
            } else if (slot < 0) {
                --block;
                slot = block >= 0 ? chain[static_cast<std::size_t>(block)].count - 1 : 0;
            } else {
                break;
            }
        }
        if (block < 0 || block >= blocks) {
            state_ = block < 0 ? Before : After;
            key_.clear();
            row_ = NoRow;
            return false;
        }
        state_ = On;
        block_ = block;
        slot_ = slot;
        const char* rec = f.recordAt(block, slot);
        if (!index) {
            key_ = table_->keyed() ? f.sortKey(rec) : std::string();
            row_ = rowIdOf({chain[static_cast<std::size_t>(block)].number, slot});
            return true;
        }
        std::string sortKey = f.sortKey(rec);
        int own = index->keyLength() - table_->db().keyLength();
        key_ = sortKey.substr(0, static_cast<std::size_t>(own));
        std::string primary(rec + own, static_cast<std::size_t>(table_->db().keyLength()));
        Slot at = table_->db().find(primary);
        row_ = at.block ? rowIdOf(at) : NoRow;
        return true;
    }

    std::shared_ptr<Table> table_;
    std::string name_;
    State state_ = Before;
    int block_ = 0, slot_ = 0;
    std::string key_;
    RowId row_ = NoRow;
};

class ParadoxTableFile : public TableFile {
    // Every write of the table is a write session (or part of the open one).
    void requireWritable() const {
        if (readOnly_)
            throw EngineError(code::ReadOnly, "Table " + path().string() + " is open read-only");
        table_->refuseUnknownPage();
    }
    template <class Write> auto writing(Write&& write) {
        requireWritable();
        return table_->session().run(std::forward<Write>(write));
    }

public:
    ParadoxTableFile(const fs::path& path, const OpenOptions& options)
        : lock_(path, BinaryFile::Mode::Read,
                options.exclusive ? LockMode::Exclusive : LockMode::Shared),
          readOnly_(options.readOnly), table_(sharedTable(path)) {}
    // A batch still open is dropped, and said so.
    ~ParadoxTableFile() override {
        // A write that failed inside the batch rolled it back and said so.
        if (batches_ == 0 || !table_->session().active())
            return;
        cancelAppendBatch();
        reportDroppedWork(EngineError(code::IoError, "Table " + path().string() +
                                                         " was closed in the middle of a batch; "
                                                         "the batch's rows were not stored"));
    }

    TableKind kind() const override { return TableKind::Paradox; }
    const fs::path& path() const override { return table_->path(); }
    const FieldList& fields() const override { return table_->fields(); }
    std::uint64_t rowCount() const override { return table_->rowCount(); }
    Record read(RowId row) override { return table_->read(row); }
    Value readField(RowId row, int field) override { return table_->readField(row, field); }
    bool isDeleted(RowId) override { return false; }
    RowId append(const Record& record) override {
        return writing([&] { return table_->append(record); });
    }
    void checkValues(const Record& record) override { table_->checkValues(record); }
    RowId update(RowId row, const Record& record) override {
        return writing([&] { return table_->update(row, record); });
    }
    void remove(RowId row) override {
        writing([&] { table_->remove(row); });
    }
    // A batch is one write session from its start to its end.
    void beginAppendBatch() override {
        requireWritable();
        table_->session().begin();
        table_->beginBatch();
        ++batches_;
    }
    void endAppendBatch() override {
        while (batches_ > 0) {
            --batches_;
            // A write that failed inside the batch rolled it back already.
            if (!table_->session().active())
                continue;
            try {
                table_->endBatch();
            } catch (...) {
                batches_ = 0;
                table_->session().rollback();
                throw;
            }
            table_->session().commit();
        }
    }
    void cancelAppendBatch() override {
        if (batches_ == 0)
            return;
        batches_ = 0;
        table_->session().rollback();
    }
    std::uint64_t changeCount() const override { return table_->changes(); }
    bool stableRowIds() const override { return false; }
    void refresh() override { table_->refresh(); }
    std::vector<IndexInfo> indexes() const override { return table_->indexes(); }
    std::vector<std::string> warnings() const override { return table_->warnings(); }
    std::unique_ptr<IndexCursor> openIndex(const std::string& name) override {
        if (!name.empty()) {
            SecondaryIndex* index = table_->secondary(name);
            if (!index)
                throw EngineError(code::NotFound,
                                  "Table " + path().string() + " has no index " + name);
            index->file(false);
        }
        return std::make_unique<Cursor>(table_, name);
    }
    std::string indexKey(const std::string& name, const Record& record) override {
        return table_->indexKey(name, record);
    }
    int compareKeys(const std::string& name, const std::string& a, const std::string& b) override {
        if (!name.empty() && !table_->secondary(name))
            throw EngineError(code::NotFound, "Table " + path().string() + " has no index " + name);
        int c = a.compare(b); // the key encodings sort bytewise
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    void addIndex(const IndexDef& index) override {
        writing([&] { table_->addIndex(index); });
    }
    void reindex() override {
        requireWritable();
        table_->session().run([&] { table_->reindex(); }, WriteSession::Purpose::Repair);
    }
    // Checks the files as they are now, with what other programs wrote since.
    std::vector<std::string> check() override {
        if (!table_->session().active())
            table_->refresh();
        return table_->check();
    }

private:
    BinaryFile lock_;
    bool readOnly_;
    std::shared_ptr<Table> table_;
    int batches_ = 0;
};

// Companions that belong to a table: everything named like it with one of
// these extensions (X?? and Y?? cover the secondary indexes).
bool isCompanion(const fs::path& table, const fs::path& candidate) {
    if (!equalsIgnoreCase(candidate.stem().string(), table.stem().string()))
        return false;
    std::string ext = toUpperAscii(candidate.extension().string());
    if (ext == ".DB" || ext == ".PX" || ext == ".MB" || ext == ".VAL" || ext == ".TV" ||
        ext == ".FAM")
        return true;
    return ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') &&
           std::isxdigit(static_cast<unsigned char>(ext[3])) &&
           (ext[2] == 'G' || std::isxdigit(static_cast<unsigned char>(ext[2])));
}

} // namespace

std::unique_ptr<TableFile> createTableWithBlocks(const fs::path& path, const FieldList& fields,
                                                 int blockKiB) {
    if (blockKiB < 0 || blockKiB > 4)
        throw EngineError(code::InvalidParameter,
                          "Table " + path.string() + ": block size must be 1..4 KiB");
    Table::create(path, fields, blockKiB);
    return openTable(path, {});
}

std::unique_ptr<TableFile> openTable(const fs::path& path, const OpenOptions& options) {
    if (!fileExists(path))
        throw EngineError(code::FileNotFound, "Table " + path.string() + " does not exist");
    return std::make_unique<ParadoxTableFile>(path, options);
}

std::unique_ptr<TableFile> createTable(const fs::path& path, const FieldList& fields) {
    return createTableWithBlocks(path, fields, 0);
}

void deleteTable(const fs::path& path) {
    if (!fileExists(path))
        throw EngineError(code::FileNotFound, "Table " + path.string() + " does not exist");
    // Refuse while another program has the table open.
    BinaryFile lock(path, BinaryFile::Mode::Read, LockMode::Exclusive);
    for (const fs::path& file : tableFiles(path))
        removeFile(file);
}

std::vector<fs::path> tableFiles(const fs::path& table) {
    std::vector<fs::path> files;
    fs::path dir = table.parent_path().empty() ? fs::path(".") : table.parent_path();
    for (const fs::path& file : directoryEntries(dir))
        if (isCompanion(table, file))
            files.push_back(file);
    return files;
}

void renameTable(const fs::path& from, const fs::path& to) {
    if (!fileExists(from))
        throw EngineError(code::FileNotFound, "Table " + from.string() + " does not exist");
    fs::path target = to.has_parent_path() ? to : from.parent_path() / to;
    if (target.extension().empty())
        target += from.extension();
    if (fileExists(findFile(target.parent_path().empty() ? fs::path(".") : target.parent_path(),
                            target.filename().string())))
        throw EngineError(code::FileExists, "Cannot rename " + from.string() + ": table " +
                                                target.string() + " already exists");
    BinaryFile lock(from, BinaryFile::Mode::Read, LockMode::Exclusive);
    for (const fs::path& file : tableFiles(from)) {
        fs::path moved =
            target.parent_path() / (target.stem().string() + file.extension().string());
        renameFile(file, moved);
    }
}

} // namespace engine::paradox
