#include "MdxReaders.h"

#include "engine/base/EngineError.h"

using namespace engine;
using namespace engine::dbase;

namespace {

const FieldList fields = {{"NAME", FieldType::Character, 10, 0},
                          {"AMOUNT", FieldType::Numeric, 8, 2},
                          {"DAY", FieldType::Date, 8, 0},
                          {"NOTE", FieldType::Character, 100, 0}};

Record row(const char* name, double amount, int jdOffset) {
    return {Value(name), Value(amount), Value(Date::fromJulianDay(2451545 + jdOffset)), Value()};
}

struct Fixture {
    support::TempDir temp;
    std::filesystem::path dir;
    MdxTestTable t;
    std::unique_ptr<ProductionIndex> index;

    explicit Fixture(const std::string& name) : temp("mdx-" + name), dir(temp.path()) {
        t.fields = fields;
        index = ProductionIndex::create(dir / "C.MDX", "C", t.fields, 0x57, LockMode::Exclusive);
        t.index = index.get();
    }
};

} // namespace

TEST(MdxCursor, SeekFindsTheFirstKeyNotBeforeTheSearchKey) {
    Fixture f("seek");
    for (auto* n : {"delta", "alpha", "charlie", "bravo", "alpha", "echo"})
        f.t.append(row(n, 10.0 * static_cast<double>(f.t.rows.size()) - 25,
                       static_cast<int>(f.t.rows.size())));
    f.index->addTag({"NAME", "NAME", "", false, false}, f.t.source());
    f.index->addTag({"NAMED", "NAME", "", false, true}, f.t.source());
    f.index->addTag({"AMOUNT", "AMOUNT", "", false, false}, f.t.source());
    f.index->addTag({"DAY", "DAY", "", false, false}, f.t.source());

    auto c = f.index->cursor("name");
    ASSERT_TRUE(c->seek(f.index->key("NAME", {Value("alpha")})));
    EXPECT_EQ(c->row(), 2u);
    EXPECT_EQ(c->key(), "alpha     ");
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->row(), 5u);
    ASSERT_TRUE(c->seek("c")); // a partial key
    EXPECT_EQ(c->row(), 3u);
    ASSERT_TRUE(c->seek("bz"));
    EXPECT_EQ(c->row(), 3u);
    EXPECT_FALSE(c->seek("f"));
    EXPECT_EQ(c->row(), NoRow);
    ASSERT_TRUE(c->prior()); // from after the last entry
    EXPECT_EQ(c->row(), 6u);

    auto d = f.index->cursor("NAMED");
    ASSERT_TRUE(d->seek(f.index->key("NAMED", {Value("c")})));
    EXPECT_EQ(d->row(), 4u); // descending: "c" comes after "charlie"
    EXPECT_GT(f.index->compareKeys("NAMED", "alpha     ", "bravo     "), 0);
    EXPECT_LT(f.index->compareKeys("NAME", "alpha     ", "bravo     "), 0);

    auto a = f.index->cursor("AMOUNT"); // -25 -15 -5 5 15 25
    ASSERT_TRUE(a->seek(f.index->key("AMOUNT", {Value(), Value(-6.0)})));
    EXPECT_EQ(a->row(), 3u);
    ASSERT_TRUE(a->seek(f.index->key("AMOUNT", {Value(), Value()}))); // blank = 0
    EXPECT_EQ(a->row(), 4u);
    EXPECT_LT(f.index->compareKeys("AMOUNT", f.index->key("AMOUNT", {Value(), Value(-100.0)}),
                                   f.index->key("AMOUNT", {Value(), Value(0.5)})),
              0);

    auto day = f.index->cursor("DAY");
    Record search(4);
    search[2] = Value(Date::fromJulianDay(2451548));
    ASSERT_TRUE(day->seek(f.index->key("DAY", search)));
    EXPECT_EQ(day->row(), 4u);
    EXPECT_FALSE(day->seek(f.index->key("DAY", Record(4)))); // blank dates sort last
    EXPECT_THROW(f.index->cursor("NOPE"), EngineError);
    EXPECT_THROW(f.index->key("NOPE", search), EngineError);
}

// A cursor keeps its place while the tag changes under it.
TEST(MdxCursor, CursorFollowsWritesMadeWhileItIsOpen) {
    Fixture f("follow");
    f.index->addTag({"NAME", "NAME", ".NOT. DELETED()", false, false}, f.t.source());
    for (auto* n : {"a", "b", "c", "d", "e"})
        f.t.append(row(n, 1, 1));
    auto c = f.index->cursor("NAME");
    ASSERT_TRUE(c->first());
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->row(), 2u);
    f.t.setDeleted(2, true); // the current entry goes
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->row(), 3u);
    f.t.append(row("cc", 1, 1));
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->row(), 6u);
    f.t.update(4, row("a0", 1, 1)); // moves before the cursor
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->row(), 5u);
    ASSERT_TRUE(c->prior());
    EXPECT_EQ(c->row(), 6u);
    ASSERT_TRUE(c->prior());
    EXPECT_EQ(c->row(), 3u);
    ASSERT_TRUE(c->prior());
    EXPECT_EQ(c->row(), 4u);
    auto survivor = f.index->cursor("NAME");
    f.index.reset(); // a cursor may outlive the index object
    EXPECT_TRUE(survivor->first());
}

// 100-byte keys (9 per node) grow a deep tree that shrinks back to an empty
// root leaf and grows again.
TEST(MdxCursor, TreeShrinksToAnEmptyRootAndGrowsAgain) {
    Fixture f("shrink");
    f.index->addTag({"NOTE", "LEFT(NOTE+NAME, 100)", ".NOT. DELETED()", false, false},
                    f.t.source());
    for (int i = 0; i < 300; ++i) {
        Record r = row("x", 0, 0);
        r[3] = Value("note " + std::to_string((i * 37) % 300));
        f.t.append(r);
    }
    auto python = readWithPython(f.dir / "C.MDX");
    EXPECT_EQ(python["NOTE"].keyLength, 100);
    EXPECT_GE(python["NOTE"].levels, 3);
    for (RowId r = 1; r <= 300; ++r)
        f.t.setDeleted((r * 7) % 300 + 1, true);
    EXPECT_EQ(f.index->check(f.t.source()), std::vector<std::string>{});
    EXPECT_FALSE(f.index->cursor("NOTE")->first());
    python = readWithPython(f.dir / "C.MDX");
    EXPECT_EQ(python["NOTE"].levels, 1);
    EXPECT_TRUE(python["NOTE"].entries.empty());
    for (RowId r = 1; r <= 300; r += 2)
        f.t.setDeleted(r, false);
    EXPECT_EQ(f.index->check(f.t.source()), std::vector<std::string>{});
    EXPECT_EQ(cursorOrder(*f.index, "NOTE").size(), 150u);
    EXPECT_EQ(recnosOf(readWithPerl(f.dir / "C.MDX", "NOTE")), cursorOrder(*f.index, "NOTE"));
}
