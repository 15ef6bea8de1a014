#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/drivers/Tables.h"
#include "engine/paradox/ParadoxDriver.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <tuple>

using namespace engine;

namespace {

struct Row {
    std::string name;
    double amount;
};
using Model = std::map<std::string, Row>;

// Upper case as the table's code page folds it (the names use one non-ASCII letter).
std::string folded(const std::string& s) {
    std::string up = toUpperAscii(s);
    for (std::size_t at; (at = up.find("\xC3\xA4")) != std::string::npos;)
        up.replace(at, 2, "\xC3\x84");
    return up;
}

RowId rowOf(TableFile& t, const std::string& code) {
    auto c = t.openIndex("");
    if (!c->seek(t.indexKey("", {code})) || t.read(c->row())[0].text() != code)
        return NoRow;
    return c->row();
}

// The codes in the order of an index, read through its cursor, with a check
// that each entry's key is the key of the row it leads to.
std::vector<std::string> codesIn(TableFile& t, const std::string& index) {
    std::vector<std::string> out;
    auto c = t.openIndex(index);
    for (bool on = c->first(); on; on = c->next()) {
        Record r = t.read(c->row());
        EXPECT_EQ(c->key(), t.indexKey(index, r));
        out.push_back(r[0].text());
    }
    // Backwards from the end gives the same order reversed.
    std::vector<std::string> back;
    for (bool on = c->last(); on; on = c->prior())
        back.insert(back.begin(), t.read(c->row())[0].text());
    EXPECT_EQ(back, out) << index;
    return out;
}

std::vector<std::string> expectedOrder(const Model& m, const std::string& index) {
    std::vector<std::string> codes;
    for (const auto& [code, row] : m)
        codes.push_back(code);
    auto by = [&](const std::string& a, const std::string& b) {
        const Row &ra = m.at(a), &rb = m.at(b);
        if (index == "AMOUNT")
            return std::tie(ra.amount, a) < std::tie(rb.amount, b);
        if (index == "ByName")
            return std::make_tuple(folded(ra.name), a) < std::make_tuple(folded(rb.name), b);
        return std::tie(ra.name, ra.amount, a) < std::tie(rb.name, rb.amount, b);
    };
    if (!index.empty())
        std::sort(codes.begin(), codes.end(), by);
    return codes;
}

} // namespace

TEST(ParadoxRandomOps, IndexesFollowInsertsChangesAndDeletes) {
    support::TempDir dir("paradox-test");
    auto t = paradox::createTableWithBlocks(dir / "OPS.DB",
                                            {{"CODE", FieldType::Character, 8, 0},
                                             {"NAME", FieldType::Character, 30, 0},
                                             {"AMOUNT", FieldType::Double, 0, 0},
                                             {"NOTE", FieldType::Memo, 4, 0}},
                                            1);
    t->addIndex({"", "CODE", "", false, false, true, false});
    t->addIndex({"AMOUNT", "AMOUNT", "", false, false, false, false});
    t->addIndex({"ByName", "NAME", "", false, false, false, true});
    t->addIndex({"NameAmount", "NAME;AMOUNT", "", false, false, false, false});
    for (const char* f : {"OPS.X03", "OPS.Y03", "OPS.XG0", "OPS.YG0", "OPS.XG1", "OPS.YG1"})
        EXPECT_TRUE(std::filesystem::exists(dir / f)) << f;

    Model model;
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const char* names[] = {"alpha", "Alpha", "BETA", "beta", "Gamma", "delta", "Ärger", "ärger"};
    for (int batch = 0; batch < 12; ++batch) {
        for (int op = 0; op < 40; ++op) {
            int what = pick(10);
            std::string code = "C" + std::to_string(pick(150));
            Row row{names[pick(8)], static_cast<double>(pick(20)) - 10};
            Record rec = {code, row.name, row.amount,
                          std::string(static_cast<std::size_t>(pick(3)) * 30, 'n')};
            if (what < 6) {
                bool exists = model.count(code) > 0;
                try {
                    t->append(rec);
                    EXPECT_FALSE(exists) << code;
                    model[code] = row;
                } catch (const EngineError& e) {
                    EXPECT_TRUE(exists) << e.what();
                    EXPECT_EQ(e.code(), code::KeyViolation);
                }
            } else if (!model.empty()) {
                auto it = std::next(model.begin(), pick(static_cast<int>(model.size())));
                RowId id = rowOf(*t, it->first);
                ASSERT_NE(id, NoRow) << it->first;
                if (what < 8) {
                    // Half the changes keep the key, half move it.
                    std::string target = what == 6 ? it->first : code;
                    rec[0] = target;
                    if (target != it->first && model.count(target)) {
                        EXPECT_THROW(t->update(id, rec), EngineError);
                        continue;
                    }
                    t->update(id, rec);
                    model.erase(it);
                    model[target] = row;
                } else {
                    t->remove(id);
                    model.erase(it);
                }
            }
        }
        ASSERT_EQ(t->check(), std::vector<std::string>{}) << "after batch " << batch;
        ASSERT_EQ(t->rowCount(), model.size());
        for (const char* index : {"", "AMOUNT", "ByName", "NameAmount"})
            ASSERT_EQ(codesIn(*t, index), expectedOrder(model, index))
                << index << " batch " << batch;
    }
    // Rebuilt indexes are the same as the maintained ones.
    t->reindex();
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    EXPECT_EQ(codesIn(*t, "ByName"), expectedOrder(model, "ByName"));

    // Reopened, the indexes are found again with their definitions.
    t.reset();
    auto again = openTable(dir / "OPS.DB");
    auto infos = again->indexes();
    ASSERT_EQ(infos.size(), 4u);
    EXPECT_EQ(infos[1].def.name, "AMOUNT");
    EXPECT_FALSE(infos[1].def.caseInsensitive);
    EXPECT_EQ(infos[2].def.name, "ByName");
    EXPECT_TRUE(infos[2].def.caseInsensitive);
    EXPECT_EQ(infos[3].def.expression, "NAME;AMOUNT");
    EXPECT_EQ(codesIn(*again, "NameAmount"), expectedOrder(model, "NameAmount"));
    // Case-insensitive keys compare equal across case; seeking finds the first.
    auto c = again->openIndex("byname");
    EXPECT_EQ(again->compareKeys("ByName", again->indexKey("ByName", {Value(), "BETA"}),
                                 again->indexKey("ByName", {Value(), "beta"})),
              0);
    if (c->seek(again->indexKey("ByName", {Value(), "beta"}))) {
        EXPECT_EQ(toUpperAscii(again->read(c->row())[1].text()), "BETA");
    }
}
