// What an open that fails says: the file, and what is wrong with it.
#include "dictionary/Layouts.h"
#include "engine/base/EngineError.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class OpenMessages : public ::testing::Test {
protected:
    void SetUp() override {
        dictionary::createDictionary(dir);
        config = dir / "engine.conf";
        setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);
    }
    void TearDown() override { unsetenv("SCHEDAX_ENGINE_CONFIG"); }

    // The message of opening T_BASE in the base-table editor's order.
    std::string openingBase() const {
        TTable base;
        base.SetDatabaseName(dir.string());
        base.SetTableName("T_BASE");
        base.SetIndexName("BASE03");
        try {
            base.Open();
        } catch (const EngineError& error) {
            return error.what();
        }
        return "opened";
    }

    support::TempDir temp{"open-messages"};
    fs::path dir = temp.path();
    fs::path config;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(OpenMessages, AnIndexFileThatCannotServeIsNamedWithItsFault) {
    fs::path mdx = dir / "T_BASE.MDX";
    std::ifstream in(mdx, std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    in.close();

    std::ofstream(mdx, std::ios::binary | std::ios::trunc) << whole.str().substr(0, 600);
    std::string cut = openingBase();
    EXPECT_TRUE(contains(cut, "BASE03") && contains(cut, mdx.string()) &&
                (contains(cut, "truncated") || contains(cut, "damaged")))
        << cut;

    fs::remove(mdx);
    std::string missing = openingBase();
    EXPECT_TRUE(contains(missing, "production index " + mdx.string() + " is missing")) << missing;

    if (::geteuid() != 0) {
        std::ofstream(mdx, std::ios::binary) << whole.str();
        fs::permissions(mdx, fs::perms::none);
        std::string unreadable = openingBase();
        EXPECT_TRUE(contains(unreadable, mdx.string()) &&
                    contains(unreadable, std::strerror(EACCES)))
            << unreadable;
    }
}

TEST_F(OpenMessages, AnAliasWithoutAPathSaysSo) {
    std::ofstream(config) << "[DBZET]\ndriver = DBASE\n";
    TDatabase db;
    db.DatabaseName = "Create";
    db.AliasName = "DBZET";
    try {
        db.Open();
        FAIL() << "an alias without a path must fail";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.code(), code::BadPath);
        EXPECT_EQ(std::string(error.what()),
                  "Database DBZET has no directory: its alias has no path");
    }
}

TEST_F(OpenMessages, ATableTheUserMayNotWriteIsReadAndRefusesEveryChange) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes any file; OpenMessagesAsUser runs this as nobody";
    auto prodTable = [&](TTable& prod) {
        prod.SetDatabaseName(dir.string());
        prod.SetTableName("T_PROD");
        prod.SetIndexName("PROD00");
    };
    {
        TTable prod;
        prodTable(prod);
        prod.Open();
        prod.Insert();
        prod.FieldByName("TMSUFF").SetAsString("AA");
        prod.Post();
    }
    for (const auto& entry : fs::directory_iterator(dir))
        fs::permissions(entry.path(), fs::perms(0444));

    TTable prod;
    prodTable(prod);
    prod.Open();
    EXPECT_EQ(prod.FieldByName("TMSUFF").AsString(), "AA");
    EXPECT_TRUE(prod.FindKey({Value(std::string("AA"))}));
    const std::string refusal =
        (dir / "T_PROD.DBF").string() + " is read-only: it can be read but not changed";
    for (auto change : {&TDataSet::Insert, &TDataSet::Edit, &TDataSet::Delete}) {
        try {
            (prod.*change)();
            ADD_FAILURE() << "a change was let through";
        } catch (const EngineError& error) {
            EXPECT_EQ(error.code(), code::ReadOnly);
            EXPECT_EQ(error.what(), refusal);
        }
        EXPECT_EQ(prod.State(), dsBrowse);
    }

    // Exclusive use is for writing: refused as the system refuses it.
    TTable held;
    prodTable(held);
    held.Exclusive = true;
    try {
        held.Open();
        ADD_FAILURE() << "opened for writing";
    } catch (const EngineError& error) {
        EXPECT_TRUE(contains(error.what(), std::strerror(EACCES))) << error.what();
    }
}
