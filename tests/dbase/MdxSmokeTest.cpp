#include "MdxTestTable.h"

#include "engine/EngineError.h"

#include <gtest/gtest.h>

using namespace engine;
using namespace engine::dbase;

TEST(MdxSmoke, BuildInsertCheck) {
    auto dir = mdxTestDir("smoke");
    MdxTestTable t;
    t.fields = {{"NAME", FieldType::Character, 20, 0}, {"AMOUNT", FieldType::Numeric, 10, 2}};
    for (int i = 0; i < 500; ++i)
        t.append({Value("N" + std::to_string((i * 7919) % 1000)), Value(i * 1.5)});
    auto index = ProductionIndex::create(dir / "T.MDX", "T", t.fields, 0x57, LockMode::Exclusive);
    index->addTag({"NAME", "NAME", "", false, false}, t.source());
    index->addTag({"AMOUNT", "AMOUNT", "", false, true}, t.source());
    t.index = index.get();
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    for (int i = 0; i < 3000; ++i)
        t.append({Value("M" + std::to_string((i * 7919) % 3001)), Value(i * -0.5)});
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    for (int i = 1; i < 3000; i += 3)
        t.update(i, {Value("X" + std::to_string(i)), Value(1.0)});
    EXPECT_EQ(index->check(t.source()), std::vector<std::string>{});
    auto c = index->cursor("name");
    int n = 0;
    std::string prev;
    while (c->next()) {
        EXPECT_LE(prev, c->key());
        prev = c->key();
        ++n;
    }
    EXPECT_EQ(n, 3500);
}
