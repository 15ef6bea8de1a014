#pragma once

#include "engine/files/BinaryFile.h"
#include "engine/table/FieldDef.h"
#include "engine/table/TableFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine::dbase {

class MdxFile; // the file format, private to the index code

// The production index (MDX) of one dBase table: its tags, each a B-tree of
// keys computed from the tag's key expression over the table's records. The
// table calls the on* hooks on every write so that every tag stays up to date
// in place.
class ProductionIndex {
public:
    // Visits every record of the table in record order: recno, values, deleted flag.
    using RecordVisitor = std::function<void(RowId, const Record&, bool)>;
    using RecordSource = std::function<void(const RecordVisitor&)>;

    // Opens an existing MDX. Throws EngineError naming the file when it is
    // damaged or belongs to another table (FileCorrupt / IndexCorrupt).
    static std::unique_ptr<ProductionIndex> open(const std::filesystem::path& mdxPath,
                                                 const std::string& tableName,
                                                 const FieldList& fields, BinaryFile::Mode mode,
                                                 LockMode lock, std::uint8_t languageDriver);
    // Creates an empty MDX (no tags).
    static std::unique_ptr<ProductionIndex> create(const std::filesystem::path& mdxPath,
                                                   const std::string& tableName,
                                                   const FieldList& fields,
                                                   std::uint8_t languageDriver, LockMode lock);
    // The tags an MDX declares (name, key, FOR, unique, descending), read from
    // its header and tag headers only: enough to recreate a fresh MDX and
    // rebuild it when the trees are damaged. Throws EngineError(FileCorrupt)
    // naming the file when even the declarations cannot be read.
    static std::vector<IndexDef> readDeclaredTags(const std::filesystem::path& mdxPath);
    ~ProductionIndex();

    const std::filesystem::path& path() const;
    std::vector<IndexInfo> tags() const;
    // True when the tag's key is exactly this field (no expression, no FOR):
    // the DBF descriptor's production-index flag.
    bool fieldHasOwnTag(int field) const;

    // The fields that the tags' keys and FOR conditions name: all that a
    // RecordSource must fill in (the others may stay null).
    std::vector<int> fieldsUsed() const;
    // The same for a tag not yet added.
    static std::vector<int> fieldsUsed(const IndexDef& tag, const FieldList& fields);

    void onAppend(RowId recno, const Record& record, bool deleted);
    void onUpdate(RowId recno, const Record& before, bool deletedBefore, const Record& after,
                  bool deletedAfter);

    // Adds tags and fills them from the table in one pass (up to 47 tags).
    void addTags(const std::vector<IndexDef>& tags, const RecordSource& records);
    void addTag(const IndexDef& tag, const RecordSource& records) { addTags({tag}, records); }
    // Rebuilds every tag from the table, keeping the tags it declares.
    void rebuild(const RecordSource& records);

    std::unique_ptr<IndexCursor> cursor(const std::string& tag);
    std::string key(const std::string& tag, const Record& record);
    int compareKeys(const std::string& tag, const std::string& a, const std::string& b);

    // Structural faults of the file and entries that disagree with the table.
    std::vector<std::string> check(const RecordSource& records);

    // True when another writer renamed a new index over this one.
    bool replacedOnDisk() const;
    // Re-reads the header and tag headers after another program may have
    // written the file.
    void refresh();

private:
    ProductionIndex();
    std::shared_ptr<MdxFile> file_; // shared with the tags that cursors hold
    struct Tags;
    std::unique_ptr<Tags> tags_;
};

} // namespace engine::dbase
