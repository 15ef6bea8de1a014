// The write lock of a table: a writer in another program is named when we
// are refused, and a lock that cannot be taken refuses the write with the
// system's reason instead of writing without it.
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

// One text field and one number, in a layout each format can hold.
FieldList fieldsFor(const fs::path& table) {
    bool dbase = table.extension() == ".DBF";
    return {{"CODE", FieldType::Character, 8, 0},
            {"N", dbase ? FieldType::Numeric : FieldType::Double, dbase ? 5 : 0, 0}};
}

std::string appendError(TableFile& table) {
    try {
        table.append({Value("mine"), Value(7.0)});
    } catch (const EngineError& e) {
        return std::to_string(e.code()) + " " + e.what();
    }
    return "appended";
}

} // namespace

TEST(WriteLocks, TheProgramInTheMiddleOfAWriteIsNamed) {
    support::TempDir dir("lock-test");
    for (const char* name : {"T.DBF", "T.DB"}) {
        fs::path path = dir / name;
        auto mine = createTable(path, fieldsFor(path));
        mine->append({Value("first"), Value(1.0)});
        support::Child other({TABLE_WRITER, path.string()});
        ASSERT_EQ(other.readLine(), "ok");
        ASSERT_EQ(other.ask("begin").substr(0, 2), "ok");
        EXPECT_EQ(appendError(*mine), std::to_string(code::Locked) + " Table " + path.string() +
                                          " is being written by table_writer (process " +
                                          std::to_string(other.pid()) + ")");
        ASSERT_EQ(other.ask("end").substr(0, 2), "ok");
        EXPECT_EQ(appendError(*mine), "appended");
        mine->refresh();
        EXPECT_EQ(mine->rowCount(), 2u);
    }
}

TEST(WriteLocks, ALockFileThatCannotBeOpenedRefusesTheWriteWithTheReason) {
    support::TempDir dir("lock-test");
    for (const char* name : {"T.DBF", "T.DB"}) {
        fs::path path = dir / name;
        fs::path aside = dir / (std::string("aside-") + name);
        auto mine = createTable(path, fieldsFor(path));
        // The table's file is moved away under the open handle and a
        // directory takes its place: there is no file to lock.
        fs::rename(path, aside);
        fs::create_directory(path);
        EXPECT_EQ(appendError(*mine),
                  std::to_string(code::IoError) + " Table " + path.string() +
                      " cannot be locked for writing: " + std::strerror(EISDIR));
        fs::remove(path);
        fs::rename(aside, path);
        EXPECT_EQ(openTable(path)->rowCount(), 0u) << "written without the lock";
    }
}
