#include "OperationsWorkspace.h"
#include "support/Process.h"

#include "engine/drivers/Tables.h"

#include <csignal>
#include <cstdlib>
#include <set>
#include <sstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr int Rows = 800;

// An update of BIG (a memo in every tenth row, two indexes), killed with
// SIGKILL at every file operation of the build (each create, rename,
// removal and flush, counted through the fault seam) in a process of its
// own. The next run finishes or undoes the update by itself, and an
// independent reader finds the table exactly as before the update or
// exactly as an update that was never killed leaves it.
class KillHarness : public OperationsWorkspace {
protected:
    void SetUp() override {
        OperationsWorkspace::SetUp();
        original = root / "original";
        fs::create_directories(original);
    }

    // The table before the update, in `file` of the original folder.
    void makeOriginal(const std::string& file) {
        FieldList fields = {{"CODE", FieldType::Character, 8, 0},
                            {"NAME", FieldType::Character, 30, 0},
                            {"AMOUNT", FieldType::Numeric, 10, 2},
                            {"NOTE", FieldType::Memo, 10, 0}};
        bool paradox = tableKindOf(file) == TableKind::Paradox;
        if (paradox)
            fields[2] = {"AMOUNT", FieldType::Double, 0, 0};
        auto table = createTable(original / file, fields);
        if (paradox)
            table->addIndex({"", "CODE", "", false, false, true});
        table->beginAppendBatch();
        for (int n = 1; n <= Rows; ++n) {
            std::string note = n % 10 == 0 ? "note " + std::to_string(n) + std::string(n % 700, 'm')
                                           : std::string();
            table->append({Value("K" + std::to_string(n)),
                           Value("Name " + std::to_string(Rows - n)), Value(n / 100.0),
                           note.empty() ? Value() : Value(note)});
        }
        table->endAppendBatch();
        if (paradox) {
            table->addIndex({"BYNAME", "NAME"});
        } else {
            table->addIndex({"BYCODE", "CODE"});
            table->addIndex({"BYNAME", "UPPER(NAME)"});
        }
    }

    // The dictionary of BIG in the format `code`, with PHONE added.
    void describe(const std::string& code) {
        addTable("BIG", code);
        addTypedField("BIG", 10, "CODE", "C", 8);
        addTypedField("BIG", 20, "NAME", "C", 30);
        addTypedField("BIG", 25, "PHONE", "C", 12);
        addTypedField("BIG", 30, "AMOUNT", "N", 10, 2);
        addTypedField("BIG", 40, "NOTE", "M", 10);
        if (code == "1") {
            addTag("BIG", "ACODE", "CODE");
            addTag("BIG", "BYNAME", "NAME");
        } else {
            addTag("BIG", "BYCODE", "CODE");
            addTag("BIG", "BYNAME", "UPPER(NAME)");
        }
    }

    void restoreOriginal() {
        fs::remove_all(tables);
        fs::create_directories(tables);
        for (const auto& entry : fs::directory_iterator(original))
            fs::copy_file(entry.path(), tables / entry.path().filename());
    }

    // Runs the builder process with the words of `args`; its exit status,
    // or -signal when killed.
    int buildUntil(const std::string& args, std::string* out = nullptr) {
        std::vector<std::string> command = {BUILD_UNTIL, "BIG", code};
        std::istringstream words(args);
        for (std::string word; words >> word;)
            command.push_back(word);
        support::RunOptions options;
        options.errorsToOutput = true;
        support::Outcome ran = support::run(command, options);
        if (out)
            *out = ran.out;
        return ran.signal ? -ran.signal : ran.status;
    }

    // The rows of the table in `file`, read by an independent reader:
    // dbfread for dBase with memos whole, pxlib for Paradox. Debian's pxlib
    // cannot open a blob file (it overruns its stack), so a Paradox table's
    // memos are read by the engine, in the order of its primary key.
    static std::string rows(const fs::path& file) {
        bool paradox = tableKindOf(file) == TableKind::Paradox;
        std::vector<std::string> command =
            paradox ? std::vector<std::string>{PX_DUMP, file.string()}
                    : std::vector<std::string>{"/usr/bin/python3",
                                               SCHEDAX_SOURCE_DIR "/tests/operations/dbf_rows.py",
                                               file.string(), "CODE,NAME,AMOUNT,NOTE"};
        support::Outcome read = support::run(command);
        EXPECT_EQ(read.status, 0) << file << ": " << read.out << read.err;
        if (!paradox)
            return read.out;
        auto table = openTable(file, {false, true});
        int note = findField(table->fields(), "NOTE");
        auto cursor = table->openIndex("");
        std::string memos;
        for (bool on = cursor->first(); on; on = cursor->next()) {
            Value value = table->readField(cursor->row(), note);
            memos += (value.isNull() ? std::string() : value.text()) + "\n";
        }
        return read.out + memos;
    }

    // What an uninterrupted update leaves, and its file operations.
    std::uint64_t cleanUpdate(const std::string& newFile) {
        restoreOriginal();
        std::string out;
        EXPECT_EQ(buildUntil("ops", &out), 0) << out;
        finished = rows(tables / newFile);
        if (backup)
            finishedBackup = rows(*backup / originalFile);
        return std::strtoull(out.substr(out.find(' ') + 1).c_str(), nullptr, 10);
    }

    // Kills the update at each of its file operations and recovers it; the
    // outcomes seen ("undone", "finished").
    std::set<std::string> killAtEveryOperation(const std::string& newFile) {
        const std::string before = rows(original / originalFile);
        const std::uint64_t operations = cleanUpdate(newFile);
        EXPECT_GT(operations, 8u);
        std::set<std::string> outcomes;
        for (std::uint64_t op = 1; op <= operations; ++op) {
            const std::string label = "killed at file operation " + std::to_string(op);
            restoreOriginal();
            if (backup)
                fs::remove_all(*backup);
            EXPECT_EQ(buildUntil("op " + std::to_string(op)), -SIGKILL) << label;
            std::string said;
            EXPECT_EQ(buildUntil("recover", &said), 0) << label << ": " << said;
            for (const auto& entry : fs::directory_iterator(tables))
                EXPECT_NE(entry.path().filename().string().rfind("$$", 0), 0u)
                    << label << " left " << entry.path();
            bool undone = tableExists(tables / originalFile) &&
                          openTable(tables / originalFile)->fields().size() == 4;
            if (undone) {
                EXPECT_EQ(rows(tables / originalFile), before) << label;
            } else {
                EXPECT_TRUE(tableExists(tables / newFile)) << label;
                if (!tableExists(tables / newFile))
                    return outcomes;
                EXPECT_EQ(rows(tables / newFile), finished) << label;
                if (backup)
                    EXPECT_EQ(rows(*backup / originalFile), finishedBackup) << label;
            }
            fs::path table = tables / (undone ? originalFile : newFile);
            EXPECT_EQ(openTable(table)->check(), std::vector<std::string>{}) << label;
            outcomes.insert(undone ? "undone" : "finished");
            // The next update runs as if nothing had happened.
            EXPECT_EQ(buildUntil(""), 0) << label;
        }
        return outcomes;
    }

    fs::path original;
    std::string code;         // the dictionary's type code for BIG
    std::string originalFile; // BIG.DBF or BIG.DB
    std::optional<fs::path> backup;
    std::string finished, finishedBackup;
};

const std::set<std::string> BothOutcomes = {"finished", "undone"};

TEST_F(KillHarness, DbaseUpdateKilledAtEveryFileOperationIsFinishedOrUndone) {
    code = "0";
    originalFile = "BIG.DBF";
    makeOriginal(originalFile);
    describe(code);
    EXPECT_EQ(killAtEveryOperation("BIG.DBF"), BothOutcomes);
}

TEST_F(KillHarness, ParadoxUpdateKilledAtEveryFileOperationIsFinishedOrUndone) {
    code = "1";
    originalFile = "BIG.DB";
    makeOriginal(originalFile);
    describe(code);
    EXPECT_EQ(killAtEveryOperation("BIG.DB"), BothOutcomes);
}

// A table whose type changed in the dictionary is carried into the other
// format; killed anywhere, the dBase table comes back or the Paradox one is whole.
TEST_F(KillHarness, CarryOverKilledAtEveryFileOperationIsFinishedOrUndone) {
    code = "1";
    originalFile = "BIG.DBF";
    makeOriginal(originalFile);
    describe(code);
    EXPECT_EQ(killAtEveryOperation("BIG.DB"), BothOutcomes);
}

// An update that keeps the old table in a backup folder: killed anywhere,
// the old table is in its place or whole in the folder.
TEST_F(KillHarness, UpdateKeepingABackupKilledAtEveryFileOperation) {
    code = "0";
    originalFile = "BIG.DBF";
    makeOriginal(originalFile);
    describe(code);
    backup = root / "kept";
    setenv("BUILD_UNTIL_BACKUP", backup->c_str(), 1);
    std::set<std::string> outcomes = killAtEveryOperation("BIG.DBF");
    unsetenv("BUILD_UNTIL_BACKUP");
    EXPECT_EQ(outcomes, BothOutcomes);
}

} // namespace
