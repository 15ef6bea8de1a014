#include "engine/base/EngineError.h"
#include "engine/config/Engine.h"
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
namespace code = engine::code;
using engine::Engine;

namespace {

class AliasTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = dir / "engine.conf";
        fs::create_directories(dir / "tables");
    }

    support::TempDir temp{"schedax-alias"};
    fs::path dir = temp.path();
    fs::path config; // every engine here is given it, so no test reads the environment
};

} // namespace

TEST_F(AliasTest, AddAndDeleteGiveTheClassicResultCodes) {
    Engine engine(config);
    std::string path = "PATH:" + (dir / "tables").string();
    EXPECT_EQ(engine.addAlias("DBZET", "DBASE", path), code::NotActive);
    ASSERT_EQ(engine.init(), 0);

    EXPECT_EQ(engine.addAlias("DBZET", "DBASE", path), 0);
    EXPECT_EQ(engine.addAlias("dbzet", "DBASE", path), code::AliasExists);
    engine::AliasInfo info = engine.alias("DbZet");
    EXPECT_EQ(info.name, "DBZET");
    EXPECT_EQ(info.driver, "DBASE");
    EXPECT_EQ(info.path, (dir / "tables").string());
    EXPECT_EQ(engine.resolveLocation("DBZET"), dir / "tables");

    EXPECT_EQ(engine.addAlias("P", "paradox", path), 0);
    EXPECT_EQ(engine.alias("P").driver, "PARADOX");
    EXPECT_EQ(engine.addAlias("S", "STANDARD", "path:" + (dir / "tables").string()), 0);
    EXPECT_EQ(engine.aliasNames(), (std::vector<std::string>{"DBZET", "P", "S"}));

    EXPECT_EQ(engine.addAlias("X", "ORACLE", path), code::InvalidParameter);
    EXPECT_EQ(engine.addAlias("X", "DBASE", "DIR:/tmp"), code::InvalidParameter);
    EXPECT_EQ(engine.addAlias("X", "DBASE", "PATH"), code::InvalidParameter);
    for (const char* name : {"", "drives", "A[B", "A=B", " X", "A/B"})
        EXPECT_EQ(engine.addAlias(name, "DBASE", path), code::InvalidParameter) << name;
    EXPECT_EQ(engine.addAlias("X", "DBASE", "PATH:" + (dir / "missing").string()), code::BadPath);
    EXPECT_EQ(engine.addAlias("X", "DBASE", "PATH:"), code::BadPath);
    EXPECT_EQ(engine.addAlias("X", "DBASE", "PATH:C:\\UNMAPPED"), code::BadPath);

    EXPECT_EQ(engine.deleteAlias("dbzet"), 0);
    EXPECT_EQ(engine.deleteAlias("DBZET"), code::AliasNotFound);
    EXPECT_EQ(engine.deleteAlias(""), code::InvalidParameter);
    EXPECT_EQ(engine.aliasNames(), (std::vector<std::string>{"P", "S"}));
    try {
        engine.alias("DBZET");
        FAIL() << "a deleted alias was found";
    } catch (const engine::EngineError& error) {
        EXPECT_EQ(error.code(), code::AliasNotFound);
        EXPECT_NE(std::string(error.what()).find("Alias \"DBZET\""), std::string::npos);
        EXPECT_NE(std::string(error.what()).find(config.string()), std::string::npos);
    }

    // The stored form: an INI section per alias.
    EXPECT_NE(support::readBytes(config).find("[P]\ndriver = PARADOX\npath = " +
                                              (dir / "tables").string()),
              std::string::npos);

    engine.exit();
    EXPECT_THROW(engine.aliasNames(), engine::EngineError);
    EXPECT_EQ(engine.deleteAlias("P"), code::NotActive);
}

TEST_F(AliasTest, AnotherProcessSeesAliasChangesAtOnce) {
    Engine engine(config);
    ASSERT_EQ(engine.init(), 0);
    std::string tables = (dir / "tables").string();
    int added = support::inChildProcess([&] {
        Engine other(config);
        other.init();
        return other.addAlias("DBZET", "DBASE", "PATH:" + tables);
    });
    ASSERT_EQ(added, 0);
    EXPECT_EQ(engine.alias("DBZET").path, tables);

    EXPECT_EQ(engine.deleteAlias("DBZET"), 0);
    int seen = support::inChildProcess([&] {
        Engine other(config);
        other.init();
        return static_cast<int>(other.aliasNames().size());
    });
    EXPECT_EQ(seen, 0);
}

TEST_F(AliasTest, ConcurrentChangesFromTwoProcessesAllSurvive) {
    constexpr int PerProcess = 40;
    std::string path = "PATH:" + (dir / "tables").string();
    auto addMany = [&](const std::string& prefix) {
        Engine engine(config);
        engine.init();
        int failures = 0;
        for (int i = 0; i < PerProcess; ++i)
            failures += engine.addAlias(prefix + std::to_string(i), "DBASE", path) != 0;
        return failures;
    };
    pid_t first = support::startInChildProcess([&] { return addMany("FIRST"); });
    pid_t second = support::startInChildProcess([&] { return addMany("SECOND"); });
    for (pid_t child : {first, second})
        EXPECT_EQ(support::waitForChild(child), 0);

    Engine engine(config);
    ASSERT_EQ(engine.init(), 0);
    std::vector<std::string> names = engine.aliasNames();
    EXPECT_EQ(names.size(), 2u * PerProcess);
    for (int i = 0; i < PerProcess; ++i) {
        for (const char* prefix : {"FIRST", "SECOND"}) {
            std::string name = prefix + std::to_string(i);
            EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        }
    }
}
