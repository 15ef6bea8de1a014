// Files and directories their user may not use: every refusal is an IoError
// that names the file and gives the system's reason. Root passes every
// permission check, so these run as another user (tests/as-user).
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/config/Engine.h"
#include "engine/dataset/Database.h"
#include "engine/drivers/Tables.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class PermissionErrors : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root passes every permission check";
    }
    // Gives the directories their modes back, so that they can be removed.
    void TearDown() override {
        for (const fs::path& p : restricted)
            fs::permissions(p, fs::perms::owner_all);
    }
    void restrict(const fs::path& p, fs::perms mode) {
        fs::permissions(p, mode);
        restricted.push_back(p);
    }

    // The IoError `call` throws; any other outcome fails the test.
    template <class Call> std::string ioErrorOf(Call&& call) {
        try {
            call();
        } catch (const EngineError& error) {
            EXPECT_EQ(error.code(), code::IoError) << error.what();
            return error.what();
        } catch (const std::exception& other) {
            ADD_FAILURE() << "not an engine error: " << other.what();
            return "";
        }
        ADD_FAILURE() << "no error";
        return "";
    }

    support::TempDir dir;
    std::vector<fs::path> restricted;
};

const FieldList kFields = {{"CODE", FieldType::Character, 6, 0}, {"NOTE", FieldType::Memo, 10, 0}};

// A message that names the file and gives the system's reason.
::testing::AssertionResult namesWithReason(const std::string& message, const fs::path& file,
                                           int err) {
    if (message.find(file.string()) != std::string::npos &&
        message.find(std::strerror(err)) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << message << "\" does not name " << file
                                         << " with \"" << std::strerror(err) << "\"";
}

} // namespace

TEST_F(PermissionErrors, ATablesDirectoryThatCannotBeSearched) {
    fs::path tables = dir / "TABLES";
    fs::create_directory(tables);
    createTable(tables / "T.DBF", kFields);
    createTable(tables / "T.DB", kFields);
    restrict(tables, fs::perms::none);
    for (const char* name : {"T.DBF", "T.DB"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(
            namesWithReason(ioErrorOf([&] { openTable(tables / name); }), tables / name, EACCES));
        EXPECT_TRUE(
            namesWithReason(ioErrorOf([&] { tableExists(tables / name); }), tables / name, EACCES));
    }
}

TEST_F(PermissionErrors, ATableFileItsUserMayNotRead) {
    for (const char* name : {"T.DBF", "T.DB"}) {
        SCOPED_TRACE(name);
        createTable(dir / name, kFields);
        restrict(dir / name, fs::perms::none);
        EXPECT_TRUE(namesWithReason(ioErrorOf([&] { openTable(dir / name, {.readOnly = true}); }),
                                    dir / name, EACCES));
    }
}

// Deleting in a directory that may not change leaves every file of the
// table and says why; it never reports the table gone.
TEST_F(PermissionErrors, DeletingInAReadOnlyDirectoryKeepsTheTable) {
    for (auto [name, memo] : {std::pair{"T.DBF", "T.DBT"}, std::pair{"T.DB", "T.MB"}}) {
        SCOPED_TRACE(name);
        fs::path tables = dir / (std::string("IN_") + name);
        fs::create_directory(tables);
        createTable(tables / name, kFields);
        restrict(tables, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(
            namesWithReason(ioErrorOf([&] { deleteTable(tables / name); }), tables, EACCES));
        EXPECT_TRUE(fs::exists(tables / name));
        EXPECT_TRUE(fs::exists(tables / memo));
        EXPECT_NO_THROW(openTable(tables / name, {.readOnly = true}));
    }
}

TEST_F(PermissionErrors, AnEngineConfigurationThatCannotBeReached) {
    fs::path locked = dir / "CONFIG";
    fs::create_directory(locked);
    fs::path config = locked / "engine.conf";
    std::ofstream(config) << "[DBZET]\ndriver = DBASE\npath = " << dir.path().string() << "\n";
    restrict(locked, fs::perms::none);
    setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);

    TDatabase db;
    db.DatabaseName = "Create";
    db.AliasName = "DBZET";
    EXPECT_TRUE(namesWithReason(ioErrorOf([&] { db.Open(); }), config, EACCES));
    Engine session;
    EXPECT_EQ(session.init(), code::IoError);
    unsetenv("SCHEDAX_ENGINE_CONFIG");
}

// A directory that may be searched but not listed: a table's index and
// companion files cannot be found, so opening or deleting it is an error
// rather than a table without its secondary index, or a delete that removed
// nothing.
TEST_F(PermissionErrors, ADirectoryThatCannotBeListedHidesNoCompanion) {
    fs::path tables = dir / "UNLISTED";
    fs::create_directory(tables);
    {
        auto table = createTable(tables / "K.DB", {{"ID", FieldType::Character, 6, 0},
                                                   {"NAME", FieldType::Character, 10, 0}});
        table->addIndex({"", "ID", "", false, false, true, false});
        table->addIndex({"NAME", "NAME", "", false, false, false, false});
    }
    restrict(tables, fs::perms::owner_write | fs::perms::owner_exec);
    EXPECT_TRUE(namesWithReason(ioErrorOf([&] { openTable(tables / "K.DB"); }), tables, EACCES));
    EXPECT_TRUE(namesWithReason(ioErrorOf([&] { deleteTable(tables / "K.DB"); }), tables, EACCES));
    EXPECT_TRUE(fs::exists(tables / "K.DB"));
    EXPECT_TRUE(fs::exists(tables / "K.PX"));
}
