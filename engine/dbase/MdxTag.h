#pragma once

#include "engine/dbase/MdxFile.h"
#include "engine/dbase/MdxTree.h"
#include "engine/expr/Expression.h"
#include "engine/table/TableFile.h"
#include "engine/values/Codepage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace engine::dbase {

// One tag of an open MDX: its declaration, parsed key and FOR expressions,
// and its tree.
class MdxTag {
public:
    // Parses the tag's expressions against the table's fields; throws
    // EngineError(IndexCorrupt) naming the file and tag when they do not fit.
    MdxTag(std::shared_ptr<MdxFile> file, MdxTagHeader header, const FieldList& fields,
           const Codepage& codepage);
    MdxTag(const MdxTag&) = delete;
    MdxTag& operator=(const MdxTag&) = delete;

    // The header of a new tag for `def` (expressions checked, key geometry
    // set); throws BadExpression / InvalidParameter.
    static MdxTagHeader declare(const IndexDef& def, const FieldList& fields,
                                std::uint32_t blockSize);

    const std::string& name() const { return header_.name; }
    const MdxTagHeader& header() const { return header_; }
    MdxTagHeader& header() { return header_; }
    MdxTree& tree() { return tree_; }
    MdxFile& file() { return *file_; }
    IndexInfo info() const;
    bool isBareField(int field) const;
    // The fields the key and the FOR condition name.
    std::vector<int> fieldsUsed() const;
    std::string where() const; // "Index <path>, tag NAME" for messages

    bool passes(const expr::RecordContext& context) const;
    // The encoded key (key length bytes) of a record.
    std::string keyOf(const expr::RecordContext& context) const;
    // The same key appended to `out` (a build collects every key in one block).
    void appendKey(const expr::RecordContext& context, std::string& out) const;

    // Moves on with every change of the tree; cursors compare it to find
    // their place again.
    std::uint64_t version() const { return version_; }
    void changed();
    // The tree was replaced or re-read: cursors find their place again.
    void reloaded() { ++version_; }

private:
    std::shared_ptr<MdxFile> file_;
    MdxTagHeader header_;
    expr::Expression key_;
    std::optional<expr::Expression> filter_;
    Codepage codepage_;
    int bareField_ = -1; // the field the key is made of alone, else -1
    MdxTree tree_;
    std::uint64_t version_ = 0;
};

} // namespace engine::dbase
