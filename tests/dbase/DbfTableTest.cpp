#include "support/EngineErrors.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>
#include <random>

using namespace engine;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

FieldList layout() {
    return {{"CODE", FieldType::Character, 10, 0},
            {"AMOUNT", FieldType::Numeric, 12, 2},
            {"DAY", FieldType::Date, 8, 0},
            {"NOTE", FieldType::Memo, 10, 0}};
}

Record row(int i) {
    return {Value("C" + std::to_string(i)), Value(i * 1.25),
            Value(Date::fromYmd(2026, 1, 1 + i % 28)),
            i % 3 == 0 ? Value() : Value(std::string(static_cast<std::size_t>(1 + i % 700), 'm'))};
}

} // namespace

TEST(DbfTable, ManyChangesKeepTheFilesSound) {
    TempDir dir;
    auto t = createTable(dir / "BIG.DBF", layout());
    std::mt19937 random(7);
    std::vector<Record> model;
    for (int batch = 0; batch < 5; ++batch) {
        t->beginAppendBatch();
        for (int i = 0; i < 400; ++i) {
            model.push_back(row(static_cast<int>(model.size())));
            t->append(model.back());
        }
        t->endAppendBatch();
        for (int i = 0; i < 50; ++i) {
            RowId r = random() % model.size() + 1;
            model[r - 1] = row(static_cast<int>(random() % 1000));
            t->update(r, model[r - 1]);
            t->remove(random() % model.size() + 1);
        }
        EXPECT_EQ(t->check(), std::vector<std::string>{}) << "after batch " << batch;
    }
    t.reset();
    auto again = openTable(dir / "BIG.DBF", {.exclusive = false, .readOnly = true});
    ASSERT_EQ(again->rowCount(), model.size());
    for (RowId r = 1; r <= model.size(); ++r) {
        Record read = again->read(r);
        EXPECT_EQ(read[0], model[r - 1][0]);
        EXPECT_EQ(read[3], model[r - 1][3]) << "record " << r;
    }
    // The header count matches the data and the file ends with 0x1A.
    std::string bytes = readBytes(dir / "BIG.DBF");
    EXPECT_EQ(bytes.size(), 32u + 4 * 32 + 1 + model.size() * 41 + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(DbfTable, LocksChangeCountsAndRefresh) {
    TempDir dir;
    createTable(dir / "L.DBF", layout()).reset();
    {
        auto exclusive = openTable(dir / "L.DBF", {.exclusive = true, .readOnly = false});
        EXPECT_EQ(support::errorCode([&] { openTable(dir / "L.DBF"); }), code::Locked);
        EXPECT_EQ(support::errorCode([&] { deleteTable(dir / "L.DBF"); }), code::Locked);
    }
    auto a = openTable(dir / "L.DBF");
    auto b = openTable(dir / "L.DBF");
    EXPECT_EQ(support::errorCode(
                  [&] { openTable(dir / "L.DBF", {.exclusive = true, .readOnly = false}); }),
              code::Locked);
    std::uint64_t seen = b->changeCount();
    a->append(row(1));
    EXPECT_GT(b->changeCount(), seen); // a write through any handle moves every handle on
    EXPECT_EQ(b->rowCount(), 0u);
    b->refresh();
    EXPECT_EQ(b->rowCount(), 1u);
    EXPECT_EQ(b->read(1)[3], row(1)[3]);

    // Two handles appending in turn never write over each other's records.
    EXPECT_EQ(a->append(row(2)), 2u);
    EXPECT_EQ(b->append(row(3)), 3u);
    EXPECT_EQ(a->append(row(4)), 4u);
    auto fresh = openTable(dir / "L.DBF");
    ASSERT_EQ(fresh->rowCount(), 4u);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(fresh->read(i)[0], row(i)[0]);

    auto readOnly = openTable(dir / "L.DBF", {.exclusive = false, .readOnly = true});
    EXPECT_EQ(support::errorCode([&] { readOnly->append(row(2)); }), code::ReadOnly);
}

TEST(DbfTable, RenameAndDeleteCarryTheCompanions) {
    TempDir dir;
    createTable(dir / "OLD.DBF", layout()).reset();
    // An MDX beside the table: rename must keep it naming its table.
    std::string mdx(1024, '\0');
    mdx[0] = 2;
    mdx.replace(4, 3, "OLD");
    writeBytes(dir / "OLD.MDX", mdx);

    renameTable(dir / "OLD.DBF", dir / "New.DBF");
    EXPECT_FALSE(std::filesystem::exists(dir / "OLD.DBF"));
    EXPECT_FALSE(std::filesystem::exists(dir / "OLD.DBT"));
    EXPECT_TRUE(std::filesystem::exists(dir / "New.DBT"));
    std::string moved = readBytes(dir / "New.MDX");
    EXPECT_EQ(moved.substr(4, 16), std::string("NEW") + std::string(13, '\0'));
    EXPECT_EQ(readBytes(dir / "New.DBT").substr(8, 8), std::string("NEW") + std::string(5, '\0'));
    EXPECT_EQ(openTable(dir / "NEW.DBF")->fields(), layout());

    createTable(dir / "OTHER.DBF", layout()).reset();
    EXPECT_EQ(support::errorCode([&] { renameTable(dir / "NEW.DBF", dir / "other.dbf"); }),
              code::FileExists);
    EXPECT_EQ(support::errorCode([&] { renameTable(dir / "NEW.DBF", dir / "../X.DBF"); }),
              code::InvalidName);
    EXPECT_EQ(support::errorCode([&] { createTable(dir / "A:B.DBF", layout()); }),
              code::InvalidName);
    EXPECT_EQ(support::errorCode([&] { openTable(dir / "..DBF"); }), code::InvalidName);

    deleteTable(dir / "NEW.DBF");
    for (const char* name : {"New.DBF", "New.DBT", "New.MDX"})
        EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    EXPECT_EQ(support::errorCode([&] { deleteTable(dir / "NEW.DBF"); }), code::FileNotFound);
}

TEST(DbfTable, MissingProductionIndexIsReportedByName) {
    TempDir dir;
    createTable(dir / "IX.DBF", layout())->append(row(1));
    std::string bytes = readBytes(dir / "IX.DBF");
    bytes[28] = 1; // declares a production index that is not there
    writeBytes(dir / "IX.DBF", bytes);

    auto t = openTable(dir / "IX.DBF");
    EXPECT_EQ(t->read(1)[0], Value("C1"));
    try {
        t->openIndex("BYCODE");
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::FileNotFound);
        EXPECT_NE(std::string(e.what()).find("IX.MDX"), std::string::npos) << e.what();
    }
    std::vector<std::string> faults = t->check();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("IX.MDX is missing"), std::string::npos) << faults[0];
    // Writing would leave the index behind: refused, nothing written.
    EXPECT_EQ(support::errorCode([&] { t->append(row(2)); }), code::FileNotFound);
    EXPECT_EQ(readBytes(dir / "IX.DBF"), bytes);
    EXPECT_EQ(support::errorCode([&] { t->reindex(); }), code::FileNotFound);
}

TEST(DbfTable, CodePageOfTheLanguageDriver) {
    TempDir dir;
    createTable(dir / "CP.DBF", {{"NAME", FieldType::Character, 6, 0}})->append({Value("Müß€")});
    std::string bytes = readBytes(dir / "CP.DBF");
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x57);
    EXPECT_EQ(bytes.substr(32 + 32 + 1 + 1, 6), "M\xFC\xDF\x80  "); // cp1252

    bytes[29] = 0x01; // the same bytes as cp437
    writeBytes(dir / "CP.DBF", bytes);
    auto t = openTable(dir / "CP.DBF");
    EXPECT_EQ(t->read(1)[0], Value("Mⁿ▀Ç"));
    t->append({Value("Ñandú")});
    EXPECT_EQ(readBytes(dir / "CP.DBF").substr(32 + 32 + 1 + 8, 6), "\xA5"
                                                                    "and\xA3 ");
    EXPECT_EQ(support::errorCode([&] { t->append({Value("€")}); }), code::CodePage);
}
