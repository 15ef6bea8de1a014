#include "MdxReaders.h"

#include "engine/base/EngineError.h"

#include <fstream>

using namespace engine;
using namespace engine::dbase;

namespace {

const FieldList fields = {{"NAME", FieldType::Character, 20, 0},
                          {"AMOUNT", FieldType::Numeric, 10, 2}};

struct Damage {
    support::TempDir temp;
    std::filesystem::path dir, mdx;
    MdxTestTable t;

    explicit Damage(const std::string& name)
        : temp("mdx-" + name), dir(temp.path()), mdx(dir / "T.MDX") {
        t.fields = fields;
        for (int i = 0; i < 1000; ++i)
            t.append({Value("N" + std::to_string((i * 7) % 1000)), Value(i * 1.0)});
        auto index = ProductionIndex::create(mdx, "T", fields, 0x57, LockMode::Exclusive);
        index->addTag({"NAME", "NAME", "", false, false}, t.source());
        index->addTag({"AMOUNT", "AMOUNT", "", false, false}, t.source());
    }
    std::unique_ptr<ProductionIndex> open(const std::string& table = "T") {
        return ProductionIndex::open(mdx, table, fields, BinaryFile::Mode::ReadWrite,
                                     LockMode::Exclusive, 0x57);
    }
    std::uint32_t u32(std::uint64_t offset) {
        char b[4];
        BinaryFile(mdx, BinaryFile::Mode::Read).readAt(offset, b, 4);
        return static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8 |
               static_cast<unsigned char>(b[2]) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[3])) << 24;
    }
    void put(std::uint64_t offset, std::uint32_t value) {
        char b[4];
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<char>(value >> (8 * i));
        BinaryFile(mdx, BinaryFile::Mode::ReadWrite).writeAt(offset, b, 4);
    }
    std::uint64_t rootOffset(int slot) { return u32(u32(544 + 32 * slot) * 512) * 512ull; }
};

// The error of `f`, or "" when it does not throw.
template <typename F> std::string errorOf(F f, std::uint16_t* code = nullptr) {
    try {
        f();
    } catch (const EngineError& e) {
        if (code)
            *code = e.code();
        return e.what();
    }
    return "";
}

bool mentions(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool anyMentions(const std::vector<std::string>& lines, const std::string& part) {
    for (const auto& l : lines)
        if (mentions(l, part))
            return true;
    return false;
}

} // namespace

TEST(MdxDamage, FilesThatAreNoIndexOfThisTableAreRefusedByName) {
    Damage d("notmdx");
    std::uint16_t code = 0;
    std::string e = errorOf([&] { d.open("OTHER.DBF"); }, &code);
    EXPECT_EQ(code, code::IndexCorrupt);
    EXPECT_TRUE(mentions(e, "T.MDX") && mentions(e, "belongs to table \"T\""));
    EXPECT_EQ(errorOf([&] { d.open("t.dbf"); }), "");

    std::ofstream(d.dir / "TEXT.MDX") << "just some text that is no index at all";
    e = errorOf(
        [&] {
            ProductionIndex::open(d.dir / "TEXT.MDX", "TEXT", fields, BinaryFile::Mode::Read,
                                  LockMode::None, 0x57);
        },
        &code);
    EXPECT_EQ(code, code::FileCorrupt);
    EXPECT_TRUE(mentions(e, "TEXT.MDX") && mentions(e, "not a dBase")) << e;
    std::filesystem::resize_file(d.dir / "TEXT.MDX", 4096);
    e = errorOf([&] {
        ProductionIndex::open(d.dir / "TEXT.MDX", "TEXT", fields, BinaryFile::Mode::Read,
                              LockMode::None, 0x57);
    });
    EXPECT_TRUE(mentions(e, "not a dBase IV production index")) << e;
    EXPECT_NE(errorOf([&] { ProductionIndex::readDeclaredTags(d.dir / "TEXT.MDX"); }), "");

    // A tag whose key names a field this table does not have.
    FieldList other = {{"CODE", FieldType::Character, 20, 0},
                       {"AMOUNT", FieldType::Numeric, 10, 2}};
    e = errorOf(
        [&] {
            ProductionIndex::open(d.mdx, "T", other, BinaryFile::Mode::Read, LockMode::None, 0x57);
        },
        &code);
    EXPECT_EQ(code, code::IndexCorrupt);
    EXPECT_TRUE(mentions(e, "tag NAME") && mentions(e, "unknown field NAME")) << e;
}

TEST(MdxDamage, TruncatedFileIsRefusedButItsTagsCanBeRecovered) {
    Damage d("truncated");
    auto size = std::filesystem::file_size(d.mdx);
    std::filesystem::resize_file(d.mdx, size - 3000);
    std::uint16_t code = 0;
    std::string e = errorOf([&] { d.open(); }, &code);
    EXPECT_EQ(code, code::FileCorrupt);
    EXPECT_TRUE(mentions(e, "T.MDX") && mentions(e, "truncated")) << e;
    auto tags = ProductionIndex::readDeclaredTags(d.mdx);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].name, "NAME");
    EXPECT_EQ(tags[1].expression, "AMOUNT");

    // The table's way back: a fresh index with the declared tags.
    auto fresh = ProductionIndex::create(d.mdx, "T", fields, 0x57, LockMode::Exclusive);
    for (const auto& tag : tags)
        fresh->addTag(tag, d.t.source());
    EXPECT_EQ(fresh->check(d.t.source()), std::vector<std::string>{});

    std::filesystem::resize_file(d.mdx, 600); // inside the tag table
    EXPECT_NE(errorOf([&] { ProductionIndex::readDeclaredTags(d.mdx); }), "");
}

TEST(MdxDamage, BrokenTreesAreReportedByCheckAndRepairedByRebuild) {
    Damage d("pointer");
    // The NAME tag's root is an interior node: send its first child past the end.
    d.put(d.rootOffset(0) + 8, 99999);
    auto index = d.open();
    std::uint16_t code = 0;
    std::string e = errorOf([&] { cursorOrder(*index, "NAME"); }, &code);
    EXPECT_EQ(code, code::IndexCorrupt);
    EXPECT_TRUE(mentions(e, "T.MDX") && mentions(e, "page 99999")) << e;
    auto faults = index->check(d.t.source());
    ASSERT_FALSE(faults.empty());
    EXPECT_TRUE(mentions(faults[0], "tag NAME") && mentions(faults[0], "99999")) << faults[0];
    EXPECT_FALSE(anyMentions(faults, "tag AMOUNT"));

    // A node that loops back to the root.
    std::uint64_t root = d.rootOffset(1);
    d.put(root + 8, static_cast<std::uint32_t>(root / 512));
    index.reset();
    index = d.open();
    EXPECT_TRUE(mentions(errorOf([&] { cursorOrder(*index, "AMOUNT"); }), "loops"));
    EXPECT_TRUE(anyMentions(index->check(d.t.source()), "reached twice"));

    index->rebuild(d.t.source());
    EXPECT_EQ(index->check(d.t.source()), std::vector<std::string>{});
    EXPECT_EQ(cursorOrder(*index, "NAME").size(), 1000u);
    EXPECT_EQ(readWithPython(d.mdx).size(), 2u);

    // A leaf that claims more keys than a block holds.
    std::uint64_t leaf = d.u32(d.rootOffset(1) + 8) * 512ull;
    while (d.u32(leaf + 8 + d.u32(leaf) * 16) != 0) // down the first children
        leaf = d.u32(leaf + 8) * 512ull;
    d.put(leaf, 5000);
    index.reset();
    index = d.open();
    EXPECT_TRUE(mentions(errorOf([&] { cursorOrder(*index, "AMOUNT"); }), "claims 5000 keys"));
    EXPECT_TRUE(anyMentions(index->check(d.t.source()), "claims 5000 keys"));
}

TEST(MdxDamage, CheckFindsEntriesThatDisagreeWithTheTable) {
    Damage d("stale");
    auto index = d.open();
    d.t.append({Value("NEW"), Value(5.0)}); // written without the index
    d.t.update(10, {Value("CHANGED"), Value(10.0)});
    auto faults = index->check(d.t.source());
    EXPECT_TRUE(anyMentions(faults, "tag NAME: record 1001 has no entry (key \"NEW"));
    EXPECT_TRUE(anyMentions(faults, "tag NAME: record 10 is filed under \"N63"));
    EXPECT_TRUE(anyMentions(faults, "tag AMOUNT: record 1001 has no entry (key 5)"));

    d.t.rows.resize(900); // entries for records the table no longer has
    d.t.deleted.resize(900);
    faults = index->check(d.t.source());
    EXPECT_TRUE(anyMentions(faults, "points to record 901, which does not exist"));
    EXPECT_TRUE(anyMentions(faults, "more faults")); // long lists are cut short
}

// Header words that another writer keeps differently never hand out a live
// node as a free block.
TEST(MdxDamage, FreeChainThatPointsAtALiveNodeIsIgnored) {
    Damage d("freechain");
    d.put(36, static_cast<std::uint32_t>(d.rootOffset(0) / 512));
    d.put(40, 1);
    auto index = d.open();
    d.t.index = index.get();
    for (int i = 0; i < 300; ++i)
        d.t.append({Value("A" + std::to_string(i)), Value(1.0)});
    EXPECT_EQ(index->check(d.t.source()), std::vector<std::string>{});
    EXPECT_EQ(cursorOrder(*index, "NAME").size(), 1300u);
}
