// A rollback that cannot put one file back still puts back all the others,
// and its error names each file that stayed as the failed session left it.
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FaultSeam.h"
#include "engine/files/UndoJournal.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace engine;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

const Files original = {{"T.DBF", std::string(700, 'd')},
                        {"T.DBT", std::string(1500, 'm')},
                        {"T.MDX", std::string(4096, 'x')},
                        {"T.X02", "the index as it was"}};

Files contentsOf(const fs::path& dir) {
    Files files;
    for (const auto& [name, bytes] : original)
        files[name] = support::readBytes(dir / name);
    return files;
}

// Overwrites, grows and cuts the table's files and replaces one of them, all
// under `journal`.
void changeEveryFile(const fs::path& dir) {
    {
        BinaryFile dbf(dir / "T.DBF", BinaryFile::Mode::ReadWrite);
        dbf.writeAt(10, "changed", 7);
        dbf.writeAt(690, "grown past the end", 18);
    }
    BinaryFile dbt(dir / "T.DBT", BinaryFile::Mode::ReadWrite);
    dbt.truncate(512);
    BinaryFile mdx(dir / "T.MDX", BinaryFile::Mode::ReadWrite);
    mdx.writeAt(0, std::string(4096, 'y').data(), 4096);
    support::writeBytes(dir / "new.tmp", "an index built anew");
    renameOver(dir / "new.tmp", dir / "T.X02");
}

// The files of `now` that differ from the original.
std::vector<std::string> changed(const Files& now) {
    std::vector<std::string> out;
    for (const auto& [name, bytes] : original)
        if (now.at(name) != bytes)
            out.push_back(name);
    return out;
}

} // namespace

TEST(UndoJournal, APutBackThatFailsLeavesTheOtherFilesRestored) {
    // The first, a middle and the last of the four put-backs fail in turn.
    for (std::uint64_t failing = 1; failing <= original.size(); ++failing) {
        support::TempDir dir("undo-journal");
        for (const auto& [name, bytes] : original)
            support::writeBytes(dir / name, bytes);
        UndoJournal journal(dir / "T.DBF");
        changeEveryFile(dir.path());
        faults::failPutBack(failing);
        std::string message;
        try {
            journal.rollback();
            ADD_FAILURE() << "put-back " << failing << " did not fail";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::IoError);
            message = e.what();
        }
        faults::failPutBack(0);
        std::vector<std::string> left = changed(contentsOf(dir.path()));
        ASSERT_EQ(left.size(), 1u) << "put-back " << failing << ": " << message;
        for (const auto& [name, bytes] : original)
            EXPECT_EQ(message.find(name) != std::string::npos, name == left[0])
                << name << " in \"" << message << "\"";
    }
}

TEST(UndoJournal, EveryFileThatCannotGoBackIsNamed) {
    support::TempDir dir("undo-journal");
    for (const auto& [name, bytes] : original)
        support::writeBytes(dir / name, bytes);
    UndoJournal journal(dir / "T.DBF");
    changeEveryFile(dir.path());
    // The replaced index cannot go back once the copy kept of it is gone,
    // and one of the written files fails as well.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().filename().string().starts_with("."))
            fs::remove(entry.path());
    faults::failPutBack(2);
    try {
        journal.rollback();
        ADD_FAILURE() << "the rollback did not fail";
    } catch (const EngineError& e) {
        faults::failPutBack(0);
        std::vector<std::string> left = changed(contentsOf(dir.path()));
        ASSERT_EQ(left.size(), 2u) << e.what();
        for (const std::string& name : left)
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
    faults::failPutBack(0);
}

TEST(UndoJournal, BytesPastTheMemoryLimitComeBackFromTheScratchFile) {
    support::TempDir dir("undo-journal");
    for (const auto& [name, bytes] : original)
        support::writeBytes(dir / name, bytes);
    // Only the first hundred bytes kept stay in memory.
    UndoJournal::setMemoryLimit(100);
    {
        UndoJournal journal(dir / "T.DBF");
        changeEveryFile(dir.path());
        journal.rollback();
    }
    UndoJournal::setMemoryLimit(0);
    EXPECT_EQ(changed(contentsOf(dir.path())), std::vector<std::string>{});
    // The scratch file has no name: nothing is left beside the table.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names.size(), original.size()) << ::testing::PrintToString(names);
}
