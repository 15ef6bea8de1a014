#include "support/TempDir.h"

#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
using support::TempDir;

namespace {

FieldList layout() {
    return {{"CODE", FieldType::Character, 8, 0},
            {"AMOUNT", FieldType::Numeric, 10, 2},
            {"NOTE", FieldType::Memo, 10, 0},
            {"PIC", FieldType::Ole, 10, 0}};
}

} // namespace

// Tables of one layout are copied as stored: records byte for byte, memo
// values into the destination's own memo file.
TEST(DbfCopy, SameLayoutCopiesRecordsAndMemosAndSkipsDeletedRows) {
    TempDir dir;
    auto source = createTable(dir / "SRC.DBF", layout());
    std::string longNote(1500, 'n');
    source->append({"A", 1.5, "short note", Blob{std::string("\x00\x01\xFF", 3)}});
    source->append({"GONE", 2.0, "deleted", Value()});
    source->append({"C", Value(), longNote, Value()});
    source->remove(2);

    auto dest = createTable(dir / "DST.DBF", layout());
    dest->append({"FIRST", 9.0, "already here", Value()});
    dest->beginAppendBatch();
    auto copied = dest->appendCopiesOf(*source);
    dest->endAppendBatch();
    ASSERT_TRUE(copied.has_value());
    EXPECT_EQ(*copied, 2u);
    ASSERT_EQ(dest->rowCount(), 3u);
    EXPECT_EQ(dest->read(1)[2], Value("already here"));
    EXPECT_EQ(dest->read(2), source->read(1));
    EXPECT_EQ(dest->read(3), source->read(3));
    EXPECT_TRUE(dest->check().empty());

    // Reopened from disk, the copy reads the same.
    dest.reset();
    auto reopened = openTable(dir / "DST.DBF");
    EXPECT_EQ(reopened->read(3)[2], Value(longNote));
    EXPECT_EQ(reopened->read(2)[3], Value(Blob{std::string("\x00\x01\xFF", 3)}));
}

TEST(DbfCopy, OtherLayoutsAndTaggedTablesTakeTheWayThroughValues) {
    TempDir dir;
    auto source = createTable(dir / "SRC.DBF", layout());
    FieldList wider = layout();
    wider[0].length = 9;
    auto other = createTable(dir / "WIDE.DBF", wider);
    EXPECT_FALSE(other->appendCopiesOf(*source).has_value());

    auto tagged = createTable(dir / "TAGGED.DBF", layout());
    tagged->addIndex({"BYCODE", "CODE", "", false, false, false, false});
    EXPECT_FALSE(tagged->appendCopiesOf(*source).has_value());
    EXPECT_FALSE(source->appendCopiesOf(*source).has_value());
    EXPECT_EQ(other->rowCount() + tagged->rowCount(), 0u);
}
