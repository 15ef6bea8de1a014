#include "MdxReaders.h"

#include <algorithm>
#include <cstring>
#include <random>

using namespace engine;
using namespace engine::dbase;

namespace {

const FieldList fields = {{"NAME", FieldType::Character, 30, 0},
                          {"AMOUNT", FieldType::Numeric, 12, 2},
                          {"DAY", FieldType::Date, 8, 0}};

Record randomRecord(std::mt19937& rng) {
    Record r(3);
    if (rng() % 10 != 0)
        r[0] = Value("K" + std::to_string(rng() % 5000));
    if (rng() % 10 != 0)
        r[1] = Value(static_cast<double>(static_cast<int>(rng() % 200000) - 100000) / 100.0);
    if (rng() % 10 != 0)
        r[2] = Value(Date::fromJulianDay(2451545 + static_cast<std::int64_t>(rng() % 1000)));
    return r;
}

struct Order {
    std::string name;
    std::vector<RowId> rows;
};

// Orders computed from the typed values, independently of the key encodings.
std::vector<Order> expected(const MdxTestTable& t) {
    std::vector<RowId> live, all;
    for (RowId r = 1; r <= t.rows.size(); ++r) {
        all.push_back(r);
        if (!t.deleted[r - 1])
            live.push_back(r);
    }
    auto text = [&](RowId r) {
        const Value& v = t.rows[r - 1][0];
        std::string s = v.isNull() ? "" : v.text();
        s.resize(30, ' ');
        return s;
    };
    auto amount = [&](RowId r) {
        const Value& v = t.rows[r - 1][1];
        return v.isNull() ? 0.0 : v.number();
    };
    auto day = [&](RowId r) {
        const Value& v = t.rows[r - 1][2];
        return v.isNull() ? 1e100 : static_cast<double>(v.date().julianDay());
    };
    std::stable_sort(live.begin(), live.end(), [&](RowId a, RowId b) { return text(a) < text(b); });
    std::vector<RowId> byAmount = all, byDay = all;
    std::stable_sort(byAmount.begin(), byAmount.end(),
                     [&](RowId a, RowId b) { return amount(a) > amount(b); });
    std::stable_sort(byDay.begin(), byDay.end(), [&](RowId a, RowId b) { return day(a) < day(b); });
    return {{"LIVE", live}, {"AMOUNT", byAmount}, {"DAY", byDay}};
}

void expectOrders(ProductionIndex& index, const MdxTestTable& t, int batch) {
    for (const Order& o : expected(t)) {
        EXPECT_EQ(cursorOrder(index, o.name), o.rows) << o.name << " after batch " << batch;
        std::vector<RowId> backwards;
        auto c = index.cursor(o.name);
        for (bool on = c->last(); on; on = c->prior())
            backwards.push_back(c->row());
        std::reverse(backwards.begin(), backwards.end());
        EXPECT_EQ(backwards, o.rows) << o.name << " backwards after batch " << batch;
    }
}

} // namespace

// Random appends, changes, deletes and recalls in batches, some of which
// empty whole stretches of leaves; after each batch the trees check clean
// and every order equals the independently sorted one.
TEST(MdxChurn, RandomWritesKeepEveryTagExact) {
    support::TempDir temp("mdx-churn");
    auto dir = temp.path();
    std::mt19937 rng(7);
    MdxTestTable t;
    t.fields = fields;
    for (int i = 0; i < 1500; ++i)
        t.append(randomRecord(rng));
    auto index =
        ProductionIndex::create(dir / "CHURN.MDX", "CHURN", t.fields, 0x02, LockMode::Exclusive);
    index->addTag({"LIVE", "NAME", ".NOT. DELETED()", false, false}, t.source());
    index->addTag({"AMOUNT", "AMOUNT", "", false, true}, t.source());
    t.index = index.get();
    index->addTag({"DAY", "DAY", "", false, false}, t.source());

    for (int batch = 0; batch < 8; ++batch) {
        for (int i = 0; i < 300; ++i)
            t.append(randomRecord(rng));
        for (int i = 0; i < 300; ++i)
            t.update(1 + rng() % t.rows.size(), randomRecord(rng));
        if (batch % 3 == 1) {
            // Whole key ranges leave their tags: leaves and interior nodes
            // empty out and go to the free chain.
            for (RowId r = 1; r <= t.rows.size(); ++r) {
                const Record& row = t.rows[r - 1];
                if (!row[0].isNull() && row[0].text() < "K3")
                    t.setDeleted(r, true);
                if (!row[1].isNull() && row[1].number() < 0)
                    t.update(r, {row[0], Value(5.0), row[2]});
            }
            char header[48];
            BinaryFile(dir / "CHURN.MDX", BinaryFile::Mode::Read).readAt(0, header, sizeof header);
            std::uint32_t freeBlocks;
            std::memcpy(&freeBlocks, header + 40, 4);
            EXPECT_GT(freeBlocks, 10u) << "batch " << batch;
        } else {
            for (int i = 0; i < 300; ++i)
                t.setDeleted(1 + rng() % t.rows.size(), rng() % 3 != 0);
        }
        ASSERT_EQ(index->check(t.source()), std::vector<std::string>{}) << "batch " << batch;
        expectOrders(*index, t, batch);
        if (batch == 4) {
            t.index = nullptr;
            index.reset();
            index = ProductionIndex::open(dir / "CHURN.MDX", "CHURN", t.fields,
                                          BinaryFile::Mode::ReadWrite, LockMode::Exclusive, 0x02);
            t.index = index.get();
        }
    }
    auto python = readWithPython(dir / "CHURN.MDX");
    for (const Order& o : expected(t)) {
        EXPECT_EQ(recnosOf(readWithPerl(dir / "CHURN.MDX", o.name)), o.rows) << o.name;
        EXPECT_EQ(recnosOf(python[o.name].entries), o.rows) << o.name;
    }
    EXPECT_GE(python["LIVE"].levels, 3);

    // A rebuild gives the same orders in a compact file.
    auto before = std::filesystem::file_size(dir / "CHURN.MDX");
    index->rebuild(t.source());
    EXPECT_LT(std::filesystem::file_size(dir / "CHURN.MDX"), before);
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    expectOrders(*index, t, 99);
    EXPECT_EQ(readWithPython(dir / "CHURN.MDX").size(), 3u);
}
