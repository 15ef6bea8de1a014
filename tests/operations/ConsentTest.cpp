#include "OperationsWorkspace.h"

#include "engine/drivers/Tables.h"
#include "operations/Crt_Archivi.h"
#include "support/FileBytes.h"
#include "support/Process.h"

#include <regex>

using namespace engine;
using ui::Answer;
namespace fs = std::filesystem;

namespace {

// Runs that would lose values ask first; the old table is kept where the
// user agrees, and nothing changes where they do not.
class ConsentTest : public OperationsWorkspace {
protected:
    // CLIENTI: CODE C 6, CITY C 15, NOTE memo, with two rows.
    void clientsWithRows(const std::string& type = "0") {
        addTable("CLIENTI", type, "AA");
        addTypedField("CLIENTI", 1, "CODE", "C", 6);
        addTypedField("CLIENTI", 2, "CITY", "C", 15);
        addTypedField("CLIENTI", 3, "NOTE", "M", 10);
        ASSERT_EQ(build({"CLIENTI"}, {type.c_str()}), QStringList{"Function successfull."});
        insertRows(tables / ("CLIENTI" + std::string(type == "1" ? ".DB" : ".DBF")),
                   {{{"CODE", "C1"}, {"CITY", "Roma"}, {"NOTE", "first note"}},
                    {{"CODE", "C2"}, {"CITY", "Milano"}, {"NOTE", std::string(2000, 'n')}}});
    }
    std::vector<fs::path> backupFolders() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(tables))
            if (entry.is_directory() &&
                entry.path().filename().string().rfind("BACKUP_CLIENTI_", 0) == 0)
                found.push_back(entry.path());
        return found;
    }
    // The rows of a Paradox table read by pxlib (memos it cannot read left
    // out: Debian's pxlib overruns its stack on blob files), one line each.
    std::vector<std::string> paradoxRows(const fs::path& db) const {
        support::Outcome dumped = support::run({PX_DUMP, db.string()});
        EXPECT_EQ(dumped.status, 0) << dumped.err;
        std::vector<std::string> rows;
        std::istringstream in(dumped.out);
        std::string line;
        std::getline(in, line); // the header line
        while (std::getline(in, line))
            rows.push_back(line);
        return rows;
    }
    // The memo values of a Paradox table, by the engine, in key order.
    std::vector<std::string> paradoxMemos(const fs::path& db, const std::string& field) const {
        auto table = openTable(db, {false, true});
        int note = findField(table->fields(), field);
        auto cursor = table->openIndex("");
        std::vector<std::string> memos;
        for (bool on = cursor->first(); on; on = cursor->next())
            memos.push_back(table->readField(cursor->row(), note).text());
        return memos;
    }
    const std::vector<std::string> clientRows{"C1|Roma|first note",
                                              "C2|Milano|" + std::string(2000, 'n')};
};

TEST_F(ConsentTest, ARenamedFieldAsksFirstAndNoLeavesEveryFileAsItWas) {
    clientsWithRows();
    renameField("CLIENTI", "CITY", "TOWN");
    auto before = tableFiles();

    QStringList shown = build({"CLIENTI"}, {"0"}, {Answer::No});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("CLIENTI: CITY dropped, 2 values")) << shown[0].toStdString();
    EXPECT_EQ(boxes.shown().front().caption, QStringLiteral("Confirm"));
    EXPECT_FALSE(Crt_Archivi->Succeeded);
    EXPECT_EQ(tableFiles(), before);
}

TEST_F(ConsentTest, AgreedLossesKeepTheOldTableInABackupFolderNamedInTheClosingMessage) {
    clientsWithRows();
    renameField("CLIENTI", "CITY", "TOWN");

    QStringList shown = build({"CLIENTI"}, {"0"}, {Answer::Yes});
    ASSERT_EQ(shown.size(), 2) << shown.join("\n").toStdString();
    ASSERT_EQ(backupFolders().size(), 1u);
    const fs::path kept = backupFolders().front();
    EXPECT_TRUE(shown[1].startsWith("Function successfull.")) << shown[1].toStdString();
    EXPECT_TRUE(shown[1].contains(QString::fromStdString(kept.string()))) << shown[1].toStdString();
    EXPECT_TRUE(Crt_Archivi->Succeeded);
    // The new table lost CITY; the kept one holds every value, memos too.
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,TOWN"),
              (std::vector<std::string>{"C1|", "C2|"}));
    EXPECT_EQ(dbfRows(kept / "CLIENTI.DBF", "CODE,CITY,NOTE"), clientRows);
    EXPECT_FALSE(fs::exists(tables / "$$CLIENTI.DBF"));
}

TEST_F(ConsentTest, AChangeWithoutLossAsksNothingAndKeepsNoBackup) {
    clientsWithRows();
    addTypedField("CLIENTI", 4, "PHONE", "C", 12);
    EXPECT_EQ(build({"CLIENTI"}, {"0"}), QStringList{"Function successfull."});
    EXPECT_TRUE(backupFolders().empty());
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE,CITY,NOTE"), clientRows);
}

TEST_F(ConsentTest, ANewParadoxPrimaryKeyNamesTheRowsItRefusesAndKeepsThemInTheBackup) {
    addTable("CLIENTI", "1", "AA");
    addTypedField("CLIENTI", 1, "CODE", "C", 6);
    addTypedField("CLIENTI", 2, "CITY", "C", 15);
    ASSERT_EQ(build({"CLIENTI"}, {"1"}), QStringList{"Function successfull."});
    insertRows(tables / "CLIENTI.DB", {{{"CODE", "C1"}, {"CITY", "Roma"}},
                                       {{"CODE", "C1"}, {"CITY", "Milano"}},
                                       {{"CODE", "C2"}, {"CITY", "Napoli"}}});
    addTag("CLIENTI", "CODE", "CODE");
    auto before = tableFiles();

    QStringList shown = build({"CLIENTI"}, {"1"}, {Answer::No});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("CLIENTI: 1 row refused by the primary key CODE"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("C1")) << shown[0].toStdString();
    EXPECT_EQ(tableFiles(), before);

    shown = build({"CLIENTI"}, {"1"}, {Answer::Yes});
    ASSERT_EQ(shown.size(), 2) << shown.join("\n").toStdString();
    EXPECT_EQ(paradoxRows(tables / "CLIENTI.DB").size(), 2u);
    ASSERT_EQ(backupFolders().size(), 1u);
    EXPECT_EQ(paradoxRows(backupFolders().front() / "CLIENTI.DB").size(), 3u);
    EXPECT_FALSE(fs::exists(tables / "$$CLIENTI.DB"));
}

TEST_F(ConsentTest, ANewTypeCarriesTheRowsIntoTheOtherFormat) {
    clientsWithRows("0");
    EXPECT_EQ(build({"CLIENTI"}, {"1"}), QStringList{"Function successfull."});
    EXPECT_FALSE(tableExists(tables / "CLIENTI.DBF"));
    EXPECT_FALSE(fs::exists(tables / "CLIENTI.DBT"));
    std::vector<std::string> rows = paradoxRows(tables / "CLIENTI.DB");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 8), "C1\tRoma\t");
    EXPECT_EQ(rows[1].substr(0, 10), "C2\tMilano\t");
    EXPECT_EQ(paradoxMemos(tables / "CLIENTI.DB", "NOTE"),
              (std::vector<std::string>{"first note", std::string(2000, 'n')}));
}

TEST_F(ConsentTest, ASavedTableNoJournalExplainsIsNamedAsTheOneHoldingTheRows) {
    clientsWithRows();
    fs::copy_file(tables / "CLIENTI.DBF", tables / "$$CLIENTI.DBF");
    fs::copy_file(tables / "CLIENTI.DBT", tables / "$$CLIENTI.DBT");
    QStringList shown = build({"CLIENTI"}, {"0"});
    ASSERT_EQ(shown.size(), 1);
    const std::string text = shown[0].toStdString();
    EXPECT_NE(text.find("holds the rows as they were before that update (2 rows)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("is the table that update was building"), std::string::npos) << text;
    EXPECT_EQ(text.find("remove one"), std::string::npos) << text;
}

class CopyPlanTest : public ConsentTest {
protected:
    void SetUp() override {
        ConsentTest::SetUp();
        clientsWithRows();
    }
    // A reference table CLIENTI with `fields` and one row of `values`.
    void reference(const FieldList& fields, const Record& row) {
        auto table = createTable(floppy / "ZET_BASE" / "CLIENTI.DBF", fields);
        table->append(row);
    }
};

TEST_F(CopyPlanTest, AReferenceTableSharingNoFieldIsRefusedAndNothingIsAppended) {
    reference({{"KODE", FieldType::Character, 6, 0}}, {Value("X1")});
    auto before = tableFiles();
    QStringList shown = copy({"CLIENTI"}, {"0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("no field of the reference table")) << shown[0].toStdString();
    EXPECT_EQ(tableFiles(), before);
}

TEST_F(CopyPlanTest, AMissingReferenceTableIsRefusedBeforeAnyCopy) {
    addTable("ORDERS", "0", "AA", OldDate, true);
    addTypedField("ORDERS", 1, "CODE", "C", 6);
    reference({{"CODE", FieldType::Character, 6, 0}}, {Value("C9")});
    auto before = tableFiles();
    QStringList shown = copy({"CLIENTI", "ORDERS"}, {"0", "0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("ORDERS: the reference table")) << shown[0].toStdString();
    EXPECT_EQ(tableFiles(), before);
}

TEST_F(CopyPlanTest, ValuesWithNoCounterpartAreCountedAndCopiedOnlyWithConsent) {
    reference({{"CODE", FieldType::Character, 6, 0}, {"EXTRA", FieldType::Character, 10, 0}},
              {Value("C9"), Value("lost")});
    auto before = tableFiles();
    QStringList shown = copy({"CLIENTI"}, {"0"}, {Answer::No});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("CLIENTI: EXTRA dropped, 1 value")) << shown[0].toStdString();
    EXPECT_EQ(tableFiles(), before);

    shown = copy({"CLIENTI"}, {"0"}, {Answer::Yes});
    EXPECT_EQ(shown.back(), QStringLiteral("Function successful."));
    EXPECT_EQ(dbfRows(tables / "CLIENTI.DBF", "CODE").back(), "C9");
}

} // namespace
