#pragma once

#include "engine/paradox/BesideFiles.h"
#include "engine/paradox/BlockFile.h"
#include "engine/paradox/Header.h"
#include "engine/paradox/IndexTree.h"
#include "engine/table/TableFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace engine::paradox {

// One secondary index: an .Xnn/.XGn file in the data layout whose records
// are the indexed fields, the table's primary key and a 16-bit "Hint" (the
// table block that held the row when it was written), kept in order of
// (indexed fields, primary key); and the .Ynn/.YGn tree over it. Single-field
// case-sensitive indexes are .Xnn (nn = the field number in hex), every other
// one is named: .XGn.
class SecondaryIndex {
public:
    // For an index being added. `table` is the table's header (fields, key).
    SecondaryIndex(const DataHeader& table, IndexInfo info, std::filesystem::path x,
                   std::filesystem::path y, const CaseFold& fold);
    // For an index found beside the table; reads the X header only.
    static SecondaryIndex open(const DataHeader& table, const std::filesystem::path& x,
                               const std::filesystem::path& y, const CaseFold& fold);

    const IndexInfo& info() const { return info_; }
    const std::filesystem::path& xPath() const { return xPath_; }
    const std::filesystem::path& yPath() const { return yPath_; }
    int keyLength() const { return keyLength_; }

    // The index record of a table record held in `block`.
    std::string entryOf(const char* tableRecord, std::uint16_t block) const;
    // The key that cursors and indexKey give: the indexed fields, upper-cased
    // for a case-insensitive index.
    std::string keyOf(const char* tableRecord) const;

    // The X file, read on first use; throws EngineError(IndexCorrupt) when damaged.
    BlockFile& file(bool writable);
    // Writes the X file and Y tree anew from the rows of the table's .DB,
    // beside the old ones; they take the old ones' place when `files`
    // replaces them. The entries are sorted in bounded memory (RunSorter).
    void rebuild(BlockFile& rows, const DataHeader& table, BesideFiles& files);
    void insert(const char* tableRecord, std::uint16_t block);
    void remove(const char* tableRecord);
    // Writes the X header counts and the Y tree after changes.
    void flush();
    std::vector<std::string> check(const std::string& label);

private:
    DataHeader xHeader(const DataHeader& table) const;
    BlockFile::KeyRule rule() const;
    TreeHeader treeHeader() const;

    IndexInfo info_;
    std::filesystem::path xPath_, yPath_;
    const CaseFold* fold_;
    std::vector<PxField> tableFields_; // the indexed fields, placed in the table record
    std::vector<std::pair<int, int>> foldRanges_;
    int pkLength_ = 0, secLength_ = 0, keyLength_ = 0;
    DataHeader header_;
    std::optional<BlockFile> x_;
    TreeCache treeCache_; // the Y file as written last
    bool writable_ = false;
};

} // namespace engine::paradox
