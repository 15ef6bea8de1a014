#include "engine/base/EngineError.h"
#include "engine/config/Engine.h"
#include "engine/config/EngineConfig.h"
#include "engine/config/IniFile.h"
#include "engine/config/Locations.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;
using engine::EngineError;
using engine::IniFile;

namespace {

// A fresh directory, with the engine's places pointed into it; the old
// environment comes back afterwards.
class EngineConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : Variables) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("SCHEDAX_ENGINE_CONFIG", (dir / "engine.conf").c_str(), 1);
        ::setenv("SCHEDAX_SYSTEM_DIR", (dir / "system").c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

    static constexpr const char* Variables[] = {"SCHEDAX_ENGINE_CONFIG", "SCHEDAX_SYSTEM_DIR",
                                                "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"};
    support::TempDir temp{"schedax-config"};
    fs::path dir = temp.path();
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

} // namespace

TEST_F(EngineConfigTest, PlacesFollowTheEnvironment) {
    EXPECT_EQ(engine::engineConfigFile(), dir / "engine.conf");
    EXPECT_EQ(engine::systemDirectory(), dir / "system");
    EXPECT_TRUE(fs::is_directory(dir / "system"));

    ::setenv("SCHEDAX_ENGINE_CONFIG", "", 1); // empty counts as unset
    ::unsetenv("SCHEDAX_SYSTEM_DIR");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    EXPECT_EQ(engine::engineConfigFile(), dir / "config" / "schedax" / "engine.conf");
    EXPECT_EQ(engine::systemDirectory(), dir / "data" / "schedax");
    EXPECT_TRUE(fs::is_directory(dir / "data" / "schedax"));

    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(engine::engineConfigFile(), dir / "home" / ".config" / "schedax" / "engine.conf");
    EXPECT_EQ(engine::systemDirectory(), dir / "home" / ".local" / "share" / "schedax");

    // A system directory that cannot be created is an error naming it.
    std::ofstream(dir / "file") << "x";
    ::setenv("SCHEDAX_SYSTEM_DIR", (dir / "file" / "sub").c_str(), 1);
    try {
        engine::systemDirectory();
        FAIL() << "expected an error";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find((dir / "file" / "sub").string()),
                  std::string::npos);
    }
}

TEST_F(EngineConfigTest, IniTextReadsHandEditedFilesAndWritesBackWhatItRead) {
    std::string text = "; written by hand\r\n"
                       "[Drives]\r\n"
                       "a=/mnt/floppy\r\n"
                       "\r\n"
                       "  [DBZET]  \n"
                       "Driver = DBASE\n"
                       "# a comment\n"
                       "PATH =   /data/with = sign  \n"
                       "[blanks]\n"
                       "path = \" lead and trail \"\n";
    IniFile ini = IniFile::parse(text, "test.conf");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"Drives", "DBZET", "blanks"}));
    EXPECT_EQ(ini.value("drives", "A"), "/mnt/floppy");
    EXPECT_EQ(ini.value("dbzet", "path"), "/data/with = sign");
    EXPECT_EQ(ini.value("blanks", "path"), " lead and trail ");
    EXPECT_FALSE(ini.value("DBZET", "missing"));
    EXPECT_FALSE(ini.value("missing", "path"));

    IniFile again = IniFile::parse(ini.format(), "again");
    EXPECT_EQ(again.format(), ini.format());
    EXPECT_EQ(again.value("blanks", "path"), " lead and trail ");

    ini.setValue("DBZET", "path", "/new");
    ini.setValue("NEW", "driver", "PARADOX");
    EXPECT_TRUE(ini.removeSection("blanks"));
    EXPECT_FALSE(ini.removeSection("blanks"));
    EXPECT_EQ(ini.format(), "[Drives]\na = /mnt/floppy\n\n[DBZET]\nDriver = DBASE\nPATH = /new\n\n"
                            "[NEW]\ndriver = PARADOX\n");

    // A line that cannot be read is named with its line and left out; the
    // rest of the file still serves.
    IniFile stray = IniFile::parse("key = before any section\n[DBZET]\r\nhello\r\npath = /t\n"
                                   "[open\nlost = yes\n[drives]\nA = /f\n",
                                   "bad.conf");
    EXPECT_EQ(stray.problems(),
              (std::vector<std::string>{
                  "Engine configuration bad.conf, line 1: \"key = before any section\" comes "
                  "before any [section]; the line is ignored",
                  "Engine configuration bad.conf, line 3: \"hello\" is neither a [section] nor a "
                  "\"key = value\" line; the line is ignored",
                  "Engine configuration bad.conf, line 5: \"[open\" is not a section name, which "
                  "ends with \"]\"; the line is ignored"}));
    EXPECT_EQ(stray.value("DBZET", "path"), "/t");
    // A rewrite keeps them where they were.
    EXPECT_EQ(stray.format(), "key = before any section\n\n[DBZET]\nhello\npath = /t\n[open\n"
                              "lost = yes\n\n[drives]\nA = /f\n");
    EXPECT_EQ(IniFile::parse(stray.format(), "again").format(), stray.format());
}

TEST_F(EngineConfigTest, ChangesAreWholeFilesWrittenOnlyWhenSomethingChanged) {
    fs::path file = dir / "nested" / "engine.conf";
    engine::changeEngineConfig(file, [](IniFile&) { return false; });
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(dir / "nested" / "engine.conf.lock"));

    engine::changeEngineConfig(file, [](IniFile& config) {
        config.setValue("DBZET", "path", "/a");
        return true;
    });
    EXPECT_EQ(support::readBytes(file), "[DBZET]\npath = /a\n");

    EXPECT_THROW(engine::changeEngineConfig(file,
                                            [](IniFile& config) -> bool {
                                                config.setValue("DBZET", "path", "/b");
                                                throw std::runtime_error("stop");
                                            }),
                 std::runtime_error);
    EXPECT_EQ(support::readBytes(file), "[DBZET]\npath = /a\n");
    // No temporary file is left beside it.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "nested"))
        ++files;
    EXPECT_EQ(files, 2u);

    // A configuration that cannot be replaced is an error and stays as it was.
    fs::create_directories(dir / "locked.conf" / "inside");
    EXPECT_THROW(engine::changeEngineConfig(dir / "locked.conf",
                                            [](IniFile& config) {
                                                config.setValue("X", "path", "/x");
                                                return true;
                                            }),
                 EngineError);
    EXPECT_TRUE(fs::is_directory(dir / "locked.conf" / "inside"));
}

TEST_F(EngineConfigTest, DriveTextsResolveThroughTheDriveMap) {
    IniFile none;
    EXPECT_EQ(engine::resolvePath("A:", none), fs::path("/media/floppy"));
    EXPECT_EQ(engine::resolvePath("A:\\ZET_BASE", none), fs::path("/media/floppy/ZET_BASE"));
    EXPECT_EQ(engine::resolvePath("a:T_BASE.DBF", none), fs::path("/media/floppy/T_BASE.DBF"));
    EXPECT_EQ(engine::resolvePath("A:\\ZET\\SUB/T.DBF", none),
              fs::path("/media/floppy/ZET/SUB/T.DBF"));
    EXPECT_EQ(engine::resolvePath("/data/tables", none), fs::path("/data/tables"));
    EXPECT_EQ(engine::resolvePath("relative/dir", none), fs::path("relative/dir"));
    try {
        engine::resolvePath("C:\\DATA", none);
        FAIL() << "an unmapped drive resolved";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.code(), engine::code::BadPath);
        EXPECT_NE(std::string(error.what()).find("Drive C:"), std::string::npos);
    }

    IniFile mapped = IniFile::parse("[drives]\nA = /mnt/a\nc: = /srv/c\n", "drives");
    EXPECT_EQ(engine::resolvePath("A:\\ZET_BASE", mapped), fs::path("/mnt/a/ZET_BASE"));
    EXPECT_EQ(engine::resolvePath("c:\\DATA\\ACC", mapped), fs::path("/srv/c/DATA/ACC"));

    // Through the engine: the drive map of its configuration file, and alias names.
    std::ofstream(dir / "engine.conf") << "[drives]\nA = " << (dir / "floppy").string() << "\n";
    fs::create_directories(dir / "floppy" / "ZET_BASE");
    engine::Engine session;
    ASSERT_EQ(session.init(), 0);
    EXPECT_EQ(session.resolveLocation("A:\\ZET_BASE"), dir / "floppy" / "ZET_BASE");
    EXPECT_EQ(session.resolveLocation(dir.string()), dir);
    ASSERT_EQ(session.addAlias("FLOPPY", "DBASE", "PATH:A:\\ZET_BASE"), 0);
    EXPECT_EQ(session.alias("FLOPPY").path, "A:\\ZET_BASE");
    EXPECT_EQ(session.resolveLocation("floppy"), dir / "floppy" / "ZET_BASE");
    try {
        session.resolveLocation("DBZET");
        FAIL() << "a missing alias resolved";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.code(), engine::code::AliasNotFound);
        EXPECT_NE(std::string(error.what()).find("\"DBZET\""), std::string::npos);
    }
}
