#include "engine/base/EngineError.h"
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

// A table name is a name, not a path: every way in refuses one that leaves
// the alias directory, quoting it, and no file appears beside the directory.
TEST(DatabaseAlias, TableNamesNeverReachOutsideTheDirectory) {
    support::TempDir temp("alias-names");
    const fs::path& dir = temp.path();
    fs::create_directories(dir / "tables");
    setenv("SCHEDAX_ENGINE_CONFIG", (dir / "engine.conf").c_str(), 1);
    {
        Engine session;
        ASSERT_EQ(session.init(), code::Success);
        ASSERT_EQ(session.addAlias("DBZET", "DBASE", "PATH:" + (dir / "tables").string()),
                  code::Success);
        TDatabase db;
        db.DatabaseName = "Names";
        db.AliasName = "DBZET";
        db.Open();
        db.CreateTable({"INSIDE", "DBASE", {{1, "CODE", 0x201, 0, 8, 0}}}, false);
        // The outside file exists, so deleting it would be visible.
        db.CreateTable({"INSIDE2", "DBASE", {{1, "CODE", 0x201, 0, 8, 0}}}, false);
        fs::copy_file(dir / "tables" / "INSIDE2.DBF", dir / "X.DBF");

        auto expectRefused = [](const std::string& name, const auto& call) {
            try {
                call();
                ADD_FAILURE() << "name " << name << " was accepted";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.code(), code::InvalidName) << name;
                EXPECT_NE(std::string(e.what()).find("\"" + name + "\""), std::string::npos)
                    << e.what();
            }
        };
        for (std::string name : {"../X", "sub/X", "..", "A:X", "X*"}) {
            expectRefused(name, [&] {
                db.CreateTable({name, "DBASE", {{1, "CODE", 0x201, 0, 8, 0}}}, true);
            });
            expectRefused(name, [&] { db.DeleteTable(name, "DBASE"); });
            expectRefused(name, [&] { db.RenameTable("INSIDE", "DBASE", name); });
            expectRefused(name, [&] { db.RenameTable(name, "DBASE", "OTHER"); });
            TTable table;
            table.SetDatabaseName("DBZET");
            table.SetTableName(name);
            expectRefused(name, [&] { table.Open(); });
            for (std::string type : {"PARADOX"}) {
                expectRefused(name, [&] {
                    db.CreateTable({name, type, {{1, "CODE", 0x1, 0, 8, 0}}}, true);
                });
            }
        }
        EXPECT_TRUE(fs::exists(dir / "X.DBF"));
        EXPECT_FALSE(fs::exists(dir / "X.DB"));
        EXPECT_TRUE(fs::exists(dir / "tables" / "INSIDE.DBF"));
    }
    unsetenv("SCHEDAX_ENGINE_CONFIG");
}
