#pragma once

#include "engine/dbase/MdxTag.h"
#include "engine/table/TableFile.h"

#include <memory>

namespace engine::dbase {

// A position in one tag, in the tag's order. When the tag changes under it
// (a write through the table) it finds its entry again by key and record.
class MdxCursor : public IndexCursor {
public:
    explicit MdxCursor(std::shared_ptr<MdxTag> tag) : tag_(std::move(tag)) {}

    bool first() override;
    bool last() override;
    bool next() override;
    bool prior() override;
    bool seek(const std::string& key) override;
    const std::string& key() const override { return key_; }
    RowId row() const override { return row_; }

private:
    enum class State { BeforeFirst, OnEntry, AfterLast };
    bool settle(bool found, State otherwise);
    // Puts the path on the first entry not before the current one; false
    // when there is none.
    bool refind();

    std::shared_ptr<MdxTag> tag_;
    MdxTree::Path path_;
    State state_ = State::BeforeFirst;
    std::string key_;
    RowId row_ = NoRow;
    std::uint64_t version_ = 0;
};

} // namespace engine::dbase
