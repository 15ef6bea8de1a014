#include "engine/EngineError.h"
#include "engine/config/Engine.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace engine;
namespace fs = std::filesystem;

// A connection through the alias "DBZET" of a private engine configuration.
TEST(DatabaseAlias, ConnectsThroughTheAliasAndFailsClearlyWithoutIt) {
    support::TempDir temp("alias-test");
    const fs::path& dir = temp.path();
    fs::create_directories(dir / "tables");
    setenv("SCHEDAX_ENGINE_CONFIG", (dir / "engine.conf").c_str(), 1);

    TDatabase db;
    db.DatabaseName = "Create";
    db.AliasName = "DBZET";
    try {
        db.Open();
        FAIL() << "a missing alias must fail";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::AliasNotFound);
        EXPECT_NE(std::string(e.what()).find("DBZET"), std::string::npos);
    }

    Engine session;
    ASSERT_EQ(session.init(), code::Success);
    ASSERT_EQ(session.addAlias("DBZET", "DBASE", "PATH:" + (dir / "tables").string()),
              code::Success);
    db.Open();
    EXPECT_EQ(db.WorkingDirectory(), (dir / "tables").string() + "/");
    db.CreateTable({"ITEMS", "DBASE", {{1, "CODE", 0x201, 0, 8, 0}}}, false);

    TTable items;
    items.SetDatabaseName("DBZET");
    items.SetTableName("ITEMS");
    items.Open();
    items.Insert();
    items.FieldByName("CODE").SetAsString("X1");
    items.Post();
    items.Close();
    EXPECT_TRUE(fs::exists(dir / "tables" / "ITEMS.DBF"));

    unsetenv("SCHEDAX_ENGINE_CONFIG");
}
