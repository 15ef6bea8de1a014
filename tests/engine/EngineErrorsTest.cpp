// What leaves the engine is an EngineError with its code and a message that
// names the file: a directory that is a file, a table that is a directory,
// headers that claim more than their files hold. A caller's own exceptions,
// thrown from its events and callbacks, reach it as they were thrown.
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/base/ErrorBoundary.h"
#include "engine/dataset/BatchMove.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <system_error>

using namespace engine;
namespace fs = std::filesystem;

namespace {

// The EngineError that `call` throws; any other outcome fails the test.
template <class Call> EngineError engineErrorOf(Call&& call) {
    try {
        call();
    } catch (const EngineError& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "not an engine error: " << other.what();
        return EngineError(0, other.what());
    }
    ADD_FAILURE() << "no error";
    return EngineError(0, "");
}

#define EXPECT_ENGINE_ERROR(call, expectedCode, named)                                             \
    do {                                                                                           \
        EngineError error_ = engineErrorOf([&] { call; });                                         \
        EXPECT_EQ(error_.code(), expectedCode) << error_.what();                                   \
        EXPECT_NE(std::string(error_.what()).find(named), std::string::npos)                       \
            << error_.what() << " does not name " << named;                                        \
    } while (0)

const FieldList kFields = {{"CODE", FieldType::Character, 6, 0}, {"NOTE", FieldType::Memo, 10, 0}};

void makeTable(const fs::path& path, int rows = 1) {
    auto table = createTable(path, kFields);
    table->beginAppendBatch();
    for (int i = 0; i < rows; ++i)
        table->append({Value("C" + std::to_string(i)), Value("a note")});
    table->endAppendBatch();
}

void patch(const fs::path& file, std::uint64_t offset, const std::string& bytes) {
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string u32(std::uint32_t value) {
    std::string bytes(4, '\0');
    putU32(bytes.data(), value);
    return bytes;
}

std::string u16(std::uint16_t value) {
    std::string bytes(2, '\0');
    putU16(bytes.data(), value);
    return bytes;
}

} // namespace

TEST(FileSystemErrors, ATablesDirectoryThatIsAFileIsABadPath) {
    support::TempDir dir;
    fs::path notDir = dir / "TABLES";
    std::ofstream(notDir) << "a file";
    for (const char* name : {"T.DBF", "T.DB"}) {
        SCOPED_TRACE(name);
        fs::path table = notDir / name;
        EXPECT_ENGINE_ERROR(openTable(table), code::BadPath, notDir.string());
        EXPECT_ENGINE_ERROR(createTable(table, kFields), code::BadPath, notDir.string());
        EXPECT_ENGINE_ERROR(deleteTable(table), code::BadPath, notDir.string());
        EXPECT_FALSE(tableExists(table));
    }

    TDatabase db;
    db.DatabaseName = notDir.string();
    EXPECT_ENGINE_ERROR(db.Open(), code::BadPath, notDir.string() + " is not a directory");

    TTable t;
    t.SetDatabaseName(notDir.string());
    t.SetTableName("T");
    EXPECT_ENGINE_ERROR(t.Open(), code::BadPath, notDir.string());
    EXPECT_FALSE(t.Active());
}

TEST(FileSystemErrors, ATableOrMemoFileThatIsADirectoryIsAnIoError) {
    support::TempDir dir;
    for (const char* name : {"T.DBF", "T.DB"}) {
        SCOPED_TRACE(name);
        fs::create_directory(dir / name);
        EXPECT_ENGINE_ERROR(openTable(dir / name), code::IoError, (dir / name).string());
        EXPECT_ENGINE_ERROR(openTable(dir / name, {.readOnly = true}), code::IoError,
                            (dir / name).string());
        EXPECT_ENGINE_ERROR(deleteTable(dir / name), code::IoError, (dir / name).string());
    }

    for (auto [table, memo] : {std::pair{"M.DBF", "M.DBT"}, std::pair{"M.DB", "M.MB"}}) {
        SCOPED_TRACE(table);
        makeTable(dir / table);
        fs::remove(dir / memo);
        fs::create_directory(dir / memo);
        EXPECT_ENGINE_ERROR(openTable(dir / table)->read(1), code::IoError, (dir / memo).string());
    }
}

TEST(DamagedSizes, HeadersThatClaimMoreThanTheFileHoldsAreCorruptNotOutOfMemory) {
    support::TempDir dir;
    fs::path dbf = dir / "D.DBF";
    auto expectCorrupt = [&](const fs::path& table, const fs::path& damaged, std::uint64_t offset,
                             const std::string& bytes) {
        makeTable(table, 3);
        patch(damaged, offset, bytes);
        EXPECT_ENGINE_ERROR(
            {
                auto opened = openTable(table, {.readOnly = true});
                for (RowId row = 1; row <= opened->rowCount(); ++row)
                    opened->read(row);
            },
            code::FileCorrupt, damaged.string());
        deleteTable(table);
    };
    {
        SCOPED_TRACE("dBase record count");
        expectCorrupt(dbf, dbf, 4, u32(0xFFFFFFFF));
    }
    {
        SCOPED_TRACE("dBase header length");
        expectCorrupt(dbf, dbf, 8, u16(0xFFFF));
    }
    {
        SCOPED_TRACE("dBase record length");
        expectCorrupt(dbf, dbf, 10, u16(0xFFFF));
    }
    {
        // dBase IV memo values start with FF FF 08 00 and their length.
        SCOPED_TRACE("dBase memo length");
        makeTable(dbf);
        std::size_t at = support::readBytes(dir / "D.DBT").find("\xFF\xFF\x08\x00", 0, 4);
        ASSERT_NE(at, std::string::npos);
        patch(dir / "D.DBT", at + 4, u32(0xFFFFFFF0));
        EXPECT_ENGINE_ERROR(openTable(dbf)->read(1), code::FileCorrupt, (dir / "D.DBT").string());
        deleteTable(dbf);
    }
    fs::path db = dir / "P.DB";
    {
        SCOPED_TRACE("Paradox record count");
        expectCorrupt(db, db, 0x06, u32(0xFFFFFFFF));
    }
    {
        SCOPED_TRACE("Paradox file blocks");
        expectCorrupt(db, db, 0x0C, u16(0xFFFF));
    }
    {
        SCOPED_TRACE("Paradox header size");
        expectCorrupt(db, db, 0x02, u16(0xF800));
    }
}

namespace {

// An exception of the caller's own, unknown to the engine.
struct Refusal {};

} // namespace

TEST(CallerExceptions, PassThroughTheDataSetAndTheBatchMoveAsThrown) {
    support::TempDir dir;
    makeTable(dir / "SRC.DBF", 5000);
    // Another layout, so that the rows move one by one with progress.
    createTable(dir / "DST.DBF", {{"CODE", FieldType::Character, 8, 0}});

    TTable table;
    table.SetDatabaseName(dir.path().string());
    table.SetTableName("SRC");
    table.Open();
    table.BeforePost = [](TDataSet&) { throw Refusal{}; };
    table.Edit();
    table.FieldByName("CODE").SetAsString("X");
    EXPECT_THROW(table.Post(), Refusal);
    EXPECT_EQ(table.State(), dsEdit);
    table.Cancel();
    table.AfterScroll = [](TDataSet&) { throw std::out_of_range("the caller's own"); };
    EXPECT_THROW(table.Next(), std::out_of_range);
    table.AfterScroll = nullptr;

    TTable destination;
    destination.SetDatabaseName(dir.path().string());
    destination.SetTableName("DST");
    TBatchMove move;
    move.Source = &table;
    move.Destination = &destination;
    move.OnProgress = [](std::uint64_t) { throw Refusal{}; };
    EXPECT_THROW(move.Execute(), Refusal);
}

TEST(ErrorBoundary, TranslatesWhatTheStandardLibraryThrows) {
    auto through = [](auto thrown) {
        return engineErrorOf([&] { engineBoundary("T.DBF", [&] { throw thrown; }); });
    };
    EngineError memory = through(std::bad_alloc());
    EXPECT_EQ(memory.code(), code::OutOfMemory);
    EXPECT_STREQ(memory.what(), "Not enough memory (T.DBF)");

    EngineError fileSystem = through(fs::filesystem_error(
        "remove", "/x/T.DBF", std::make_error_code(std::errc::permission_denied)));
    EXPECT_EQ(fileSystem.code(), code::IoError);
    EXPECT_EQ(std::string(fileSystem.what()),
              "File system error on /x/T.DBF: " +
                  std::make_error_code(std::errc::permission_denied).message());

    EXPECT_EQ(
        through(std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur)))
            .code(),
        code::IoError);
    EngineError other = through(std::out_of_range("basic_string::substr"));
    EXPECT_EQ(other.code(), code::Internal);
    EXPECT_NE(std::string(other.what()).find("T.DBF"), std::string::npos);

    EngineError inner = through(EngineError(code::Locked, "Table T.DBF is in use"));
    EXPECT_EQ(inner.code(), code::Locked);
    EXPECT_STREQ(inner.what(), "Table T.DBF is in use");
}
