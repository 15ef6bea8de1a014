#include "MdxReaders.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/values/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

using namespace engine;
using namespace engine::dbase;

namespace {

const FieldList fields = {{"NAME", FieldType::Character, 20, 0},
                          {"AMOUNT", FieldType::Numeric, 20, 4},
                          {"DAY", FieldType::Date, 8, 0}};

const std::vector<IndexDef> tagDefs = {
    {"NAME", "NAME", "", false, false},
    {"NAMEUP", "UPPER(NAME)", ".NOT. DELETED()", false, false},
    {"AMOUNT", "AMOUNT", "", false, false},
    {"DAYDESC", "DAY", "", false, true},
    {"NAMEU", "name", "", true, false},
    {"MIXED", "STR(AMOUNT,20,4)+DTOS(DAY)", "AMOUNT > 0", false, false},
};

const double amounts[] = {0, -46541.07, 123.45, 0.05, 12345678901234567890.0, -0.0001, 7, 1e-4};

Record randomRecord(std::mt19937& rng) {
    static const char* names[] = {"smith", "Jones", "Brown", "o'Neil", "Zeta", "adams", "Ng"};
    Record r(3);
    if (rng() % 13 != 0)
        r[0] = Value(std::string(names[rng() % 7]) + std::to_string(rng() % 400));
    if (rng() % 11 != 0)
        r[1] =
            Value(rng() % 3 == 0
                      ? amounts[rng() % 8]
                      : static_cast<double>(static_cast<int>(rng() % 2000000) - 1000000) / 100.0);
    if (rng() % 9 != 0)
        r[2] = Value(Date::fromJulianDay(2433283 + static_cast<std::int64_t>(rng() % 30000)));
    return r;
}

// The order a tag must have, computed from the typed values: by key, then
// record number; descending tags reverse the keys only.
using Sortable = std::variant<std::string, double>;
std::vector<RowId> expectedOrder(const MdxTestTable& t,
                                 const std::function<bool(const Record&, bool)>& passes,
                                 const std::function<Sortable(const Record&)>& key,
                                 bool descending) {
    std::vector<std::pair<Sortable, RowId>> entries;
    for (std::size_t i = 0; i < t.rows.size(); ++i)
        if (passes(t.rows[i], t.deleted[i]))
            entries.emplace_back(key(t.rows[i]), i + 1);
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return descending ? b.first < a.first : a.first < b.first;
        return a.second < b.second;
    });
    std::vector<RowId> rows;
    for (const auto& e : entries)
        rows.push_back(e.second);
    return rows;
}

std::string padded(const Value& v, std::size_t width) {
    std::string s = v.isNull() ? std::string() : v.text();
    s.resize(width, ' ');
    return s;
}
double number(const Value& v) {
    return v.isNull() ? 0.0 : v.asDouble();
}
// A key as a reader prints it, read the same in every locale.
double keyNumber(const std::string& text) {
    return engine::parseNumber(engine::trim(text)).value_or(std::nan(""));
}
double day(const Value& v) {
    return v.isNull() ? 1e100 : static_cast<double>(v.date().julianDay());
}
bool always(const Record&, bool) {
    return true;
}

std::map<std::string, std::vector<RowId>> expectedOrders(const MdxTestTable& t) {
    std::map<std::string, std::vector<RowId>> e;
    e["NAME"] = expectedOrder(
        t, always, [](const Record& r) { return padded(r[0], 20); }, false);
    e["NAMEUP"] = expectedOrder(
        t, [](const Record&, bool deleted) { return !deleted; },
        [](const Record& r) { return toUpperAscii(padded(r[0], 20)); }, false);
    e["AMOUNT"] = expectedOrder(
        t, always, [](const Record& r) { return number(r[1]); }, false);
    e["DAYDESC"] = expectedOrder(
        t, always, [](const Record& r) { return day(r[2]); }, true);
    return e;
}

} // namespace

// Every key type, FOR, UNIQUE and DESCENDING, built in bulk and then kept up
// to date in place, read back by our cursors, Perl XBase::Index and the
// Python structural checker.
TEST(MdxTags, BulkBuildThenInPlaceWritesAgreeWithIndependentReaders) {
    support::TempDir temp("mdx-tags");
    auto dir = temp.path();
    std::mt19937 rng(42);
    MdxTestTable t;
    t.fields = fields;
    for (int i = 0; i < 2000; ++i)
        t.append(randomRecord(rng));
    auto index = ProductionIndex::create(dir / "PEOPLE.MDX", "PEOPLE.DBF", t.fields, 0x57,
                                         LockMode::Exclusive);
    for (const auto& def : tagDefs)
        index->addTag(def, t.source());
    t.index = index.get();
    for (int i = 0; i < 600; ++i)
        t.append(randomRecord(rng));
    for (int i = 0; i < 300; ++i)
        t.update(1 + rng() % t.rows.size(), randomRecord(rng));
    for (int i = 0; i < 150; ++i)
        t.setDeleted(1 + rng() % t.rows.size(), true);
    for (int i = 0; i < 30; ++i)
        t.setDeleted(1 + rng() % t.rows.size(), false);
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});

    auto expected = expectedOrders(t);
    for (const auto& [tag, rows] : expected)
        EXPECT_EQ(cursorOrder(*index, tag), rows) << tag;

    auto python = readWithPython(dir / "PEOPLE.MDX");
    ASSERT_EQ(python.size(), tagDefs.size());
    EXPECT_EQ(python["NAME"].levels, 3);
    EXPECT_EQ(python["NAME"].keyLength, 20);
    EXPECT_EQ(python["MIXED"].keyLength, 28);
    EXPECT_EQ(python["AMOUNT"].type, "N");
    EXPECT_EQ(python["DAYDESC"].type, "D");
    EXPECT_TRUE(python["DAYDESC"].descending);
    EXPECT_TRUE(python["NAMEU"].unique);
    EXPECT_TRUE(python["NAMEUP"].hasFor);
    EXPECT_EQ(python["NAMEUP"].forCondition, ".NOT. DELETED()");
    EXPECT_EQ(python["NAMEUP"].expression, "UPPER(NAME)");
    EXPECT_FALSE(python["NAME"].hasFor);

    for (const auto& def : tagDefs) {
        auto perl = readWithPerl(dir / "PEOPLE.MDX", def.name);
        auto ours = cursorOrder(*index, def.name);
        EXPECT_EQ(recnosOf(perl), ours) << def.name;
        EXPECT_EQ(recnosOf(python[def.name].entries), ours) << def.name;
    }

    // N keys decode to the field values (blank = 0), D keys to Julian days
    // with blank dates last in a descending tag's reverse, i.e. first.
    for (const auto& e : readWithPerl(dir / "PEOPLE.MDX", "AMOUNT")) {
        double want = number(t.rows[e.recno - 1][1]);
        EXPECT_NEAR(keyNumber(e.key), want, std::fabs(want) * 1e-15) << e.recno;
    }
    auto days = readWithPerl(dir / "PEOPLE.MDX", "DAYDESC");
    for (const auto& e : days)
        EXPECT_EQ(keyNumber(e.key), day(t.rows[e.recno - 1][2])) << e.recno;
    EXPECT_EQ(keyNumber(days.front().key), 1e100);

    // UNIQUE: one entry per key, in key order.
    auto unique = readWithPerl(dir / "PEOPLE.MDX", "NAMEU");
    for (std::size_t i = 1; i < unique.size(); ++i)
        EXPECT_LT(unique[i - 1].key, unique[i].key);
    // FOR AMOUNT > 0: only positive amounts, ordered as text.
    for (const auto& e : readWithPerl(dir / "PEOPLE.MDX", "MIXED"))
        EXPECT_GT(number(t.rows[e.recno - 1][1]), 0);

    // The file opens again with the same tags and orders.
    index.reset();
    auto reopened = ProductionIndex::open(dir / "PEOPLE.MDX", "people", t.fields,
                                          BinaryFile::Mode::ReadWrite, LockMode::Exclusive, 0x57);
    ASSERT_EQ(reopened->tags().size(), tagDefs.size());
    for (std::size_t i = 0; i < tagDefs.size(); ++i) {
        IndexDef d = reopened->tags()[i].def;
        EXPECT_EQ(d.name, tagDefs[i].name);
        EXPECT_EQ(d.expression, tagDefs[i].expression);
        EXPECT_EQ(d.forCondition, tagDefs[i].forCondition);
        EXPECT_EQ(d.unique, tagDefs[i].unique);
        EXPECT_EQ(d.descending, tagDefs[i].descending);
    }
    EXPECT_EQ(reopened->tags()[5].keyFields, (std::vector<int>{1, 2}));
    EXPECT_TRUE(reopened->fieldHasOwnTag(0));
    EXPECT_TRUE(reopened->fieldHasOwnTag(2));
    for (const auto& [tag, rows] : expected)
        EXPECT_EQ(cursorOrder(*reopened, tag), rows) << tag;
    EXPECT_EQ(reopened->check(t.source()), std::vector<std::string>{});
}

// UNIQUE keeps the first record of a key; the key of a record that leaves
// goes with it until the tag is rebuilt. FOR .NOT. DELETED() follows
// DELETE and RECALL.
TEST(MdxTags, UniqueOwnersAndDeletedRecords) {
    support::TempDir temp("mdx-unique");
    auto dir = temp.path();
    MdxTestTable t;
    t.fields = fields;
    auto index = ProductionIndex::create(dir / "U.MDX", "U", t.fields, 0x57, LockMode::Exclusive);
    index->addTag({"U", "NAME", "", true, false}, t.source());
    index->addTag({"LIVE", "NAME", ".NOT. DELETED()", false, false}, t.source());
    index->addTag({"ALL", "NAME", "", false, false}, t.source());
    t.index = index.get();
    t.append({Value("A"), Value(), Value()});
    t.append({Value("A"), Value(), Value()});
    t.append({Value("B"), Value(), Value()});
    EXPECT_EQ(cursorOrder(*index, "U"), (std::vector<RowId>{1, 3}));
    t.update(1, {Value("C"), Value(), Value()});
    EXPECT_EQ(cursorOrder(*index, "U"), (std::vector<RowId>{3, 1}));
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    index->rebuild(t.source());
    EXPECT_EQ(cursorOrder(*index, "U"), (std::vector<RowId>{2, 3, 1}));

    t.setDeleted(2, true);
    EXPECT_EQ(cursorOrder(*index, "LIVE"), (std::vector<RowId>{3, 1}));
    EXPECT_EQ(cursorOrder(*index, "ALL"), (std::vector<RowId>{2, 3, 1}));
    t.setDeleted(2, false);
    EXPECT_EQ(cursorOrder(*index, "LIVE"), (std::vector<RowId>{2, 3, 1}));
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
}

// At most 47 tags; names are checked; an expression is checked when the
// tag is declared.
TEST(MdxTags, TagDeclarationsAreChecked) {
    support::TempDir temp("mdx-limits");
    auto dir = temp.path();
    MdxTestTable t;
    t.fields = fields;
    t.append({Value("x"), Value(1.0), Value()});
    auto index = ProductionIndex::create(dir / "L.MDX", "L", t.fields, 0x57, LockMode::Exclusive);
    for (int i = 1; i <= 47; ++i)
        index->addTag({"T" + std::to_string(i), "NAME", "", false, false}, t.source());
    try {
        index->addTag({"T48", "NAME", "", false, false}, t.source());
        FAIL() << "a 48th tag was accepted";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("47 tags"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readWithPython(dir / "L.MDX").size(), 47u);
    EXPECT_EQ(readWithPerl(dir / "L.MDX", "T47").size(), 1u);

    auto fresh = ProductionIndex::create(dir / "M.MDX", "M", t.fields, 0x57, LockMode::Exclusive);
    auto codeOf = [&](const IndexDef& def) {
        try {
            fresh->addTag(def, t.source());
        } catch (const EngineError& e) {
            return e.code();
        }
        return code::Success;
    };
    EXPECT_EQ(codeOf({"BAD NAME", "NAME", "", false, false}), code::InvalidName);
    EXPECT_EQ(codeOf({"TOOLONGNAME1", "NAME", "", false, false}), code::InvalidName);
    EXPECT_EQ(codeOf({"K", "NAMEX", "", false, false}), code::BadExpression);
    EXPECT_EQ(codeOf({"K", "AMOUNT > 1", "", false, false}), code::BadExpression);
    EXPECT_EQ(codeOf({"K", "NAME", "AMOUNT", false, false}), code::BadExpression);
    EXPECT_EQ(codeOf({"K", "NAME", "", false, false}), code::Success);
    EXPECT_EQ(codeOf({"k", "NAME", "", false, false}), code::IndexExists);
    EXPECT_EQ(fresh->tags().size(), 1u);
    EXPECT_FALSE(fresh->fieldHasOwnTag(1));
    EXPECT_EQ(fresh->check(t.source()), std::vector<std::string>{});
}

// The tag table: name-search threads as an unbalanced binary tree of the
// names in slot order, tag counts and page count in the header.
TEST(MdxTags, TagTableThreadsAndHeaderCounts) {
    support::TempDir temp("mdx-threads");
    auto dir = temp.path();
    MdxTestTable t;
    t.fields = fields;
    t.append({Value("x"), Value(1.0), Value()});
    auto index = ProductionIndex::create(dir / "TH.MDX", "TH", t.fields, 0x57, LockMode::Exclusive);
    for (const char* name : {"M", "C", "X", "A", "D"})
        index->addTag({name, "NAME", "", false, false}, t.source());
    std::string bytes(4096, '\0');
    auto size = std::filesystem::file_size(dir / "TH.MDX");
    BinaryFile(dir / "TH.MDX", BinaryFile::Mode::Read).readAt(0, bytes.data(), bytes.size());
    auto slot = [&](int i, int offset) { return static_cast<int>(bytes[544 + 32 * i + offset]); };
    // slot: less, greater, parent (1-based slots, 0 = none)
    const int threads[5][3] = {{2, 3, 0}, {4, 5, 1}, {0, 0, 1}, {0, 0, 2}, {0, 0, 2}};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(slot(i, 16 + j), threads[i][j]) << "slot " << i + 1 << " byte " << 16 + j;
    EXPECT_EQ(bytes[28], 5);
    EXPECT_EQ(bytes[30], 6);
    EXPECT_EQ(static_cast<unsigned char>(bytes[31]), 0x57);
    EXPECT_EQ(std::string(bytes.data() + 4), "TH");
    std::uint32_t pages;
    std::memcpy(&pages, bytes.data() + 32, 4);
    EXPECT_EQ(pages * 512ull, size);
}
