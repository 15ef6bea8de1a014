#include "OperationsWorkspace.h"
#include "support/Process.h"

#include "engine/drivers/Tables.h"
#include "operations/Cpy_Archivi.h"

#include <fstream>
#include <iterator>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class Copier : public OperationsWorkspace {
protected:
    fs::path reference() const { return floppy / "ZET_BASE"; }
    // RATES in the dictionary (CODE, ZONE, RATE) and built; on the floppy
    // with its fields in another order and one more, empty in every row.
    void prepareRates(const std::string& type) {
        addTable("RATES", type);
        addTypedField("RATES", 1, "CODE", "C", 4);
        addTypedField("RATES", 2, "ZONE", "C", 10);
        addTypedField("RATES", 3, "RATE", "N", 8, 2);
        if (type == "1")
            addTag("RATES", "BYCODE", "CODE");
        build({"RATES"}, {QString::fromStdString(type)});
        std::string file = type == "1" ? "RATES.DB" : "RATES.DBF";
        createTable(reference() / file, {type == "1" ? FieldDef{"RATE", FieldType::Double, 8, 0}
                                                     : FieldDef{"RATE", FieldType::Numeric, 8, 2},
                                         {"EXTRA", FieldType::Character, 5, 0},
                                         {"ZONE", FieldType::Character, 10, 0},
                                         {"CODE", FieldType::Character, 4, 0}});
        insertRows(reference() / file, {{{"CODE", "R1"}, {"ZONE", "North"}, {"RATE", "1.50"}},
                                        {{"CODE", "R2"}, {"ZONE", "South"}, {"RATE", "2.25"}}});
    }
    static std::string bytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The files of the tables directory (not its folders), with their bytes.
    std::map<std::string, std::string> topLevelFiles() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(tables))
            if (entry.is_regular_file())
                files[entry.path().filename().string()] = bytes(entry.path());
        return files;
    }
};

TEST_F(Copier, AnEmptyListReadsNothingAndSaysSo) {
    fs::remove_all(floppy); // no disk in the drive
    EXPECT_EQ(copy({}, {}), QStringList{"No function."});
    EXPECT_EQ(Cpy_Archivi->BarProg->maximum(), 0);
}

TEST_F(Copier, RowsAreAppendedByFieldNameAndTheirCountsShown) {
    prepareRates("0");
    EXPECT_EQ(copy({"RATES"}, {"0"}), QStringList{"Function successful."});
    EXPECT_EQ(dbfRows(tables / "RATES.DBF", "CODE,ZONE,RATE"),
              (std::vector<std::string>{"R1|North|1.5", "R2|South|2.25"}));
    EXPECT_EQ(Cpy_Archivi->panelText(0), "File : RATES");
    EXPECT_EQ(Cpy_Archivi->panelText(1), "[1/1]");
    // Without a unique key a second copy appends the rows again.
    copy({"RATES"}, {"0"});
    EXPECT_EQ(dbfRows(tables / "RATES.DBF", "CODE").size(), 4u);
}

TEST_F(Copier, AKeyViolationLeavesTheTableAsItWasBeforeItsCopy) {
    prepareRates("1");
    ASSERT_EQ(copy({"RATES"}, {"1"}), QStringList{"Function successful."});
    TTable rates;
    rates.SetDatabaseName(tables.string());
    rates.SetTableName("RATES.DB");
    rates.SetIndexName("");
    rates.Open();
    ASSERT_TRUE(rates.FindKey({Value("R1")}));
    rates.Delete();
    rates.Close();
    auto before = topLevelFiles();

    // R2 would break the primary key: the plan asks, and No copies nothing.
    QStringList shown = copy({"RATES"}, {"1"}, {ui::Answer::No});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("RATES: 1 row refused by the primary key"))
        << shown[0].toStdString();
    EXPECT_EQ(topLevelFiles(), before);
    EXPECT_EQ(openTable(tables / "RATES.DB")->rowCount(), 1u);
}

TEST_F(Copier, AMixedListCopiesEachPairWithItsOwnType) {
    prepareRates("1");
    addTable("ZONES", "0");
    addTypedField("ZONES", 1, "ZONE", "C", 10);
    build({"ZONES"}, {"0"});
    createTable(reference() / "ZONES.DBF", {{"ZONE", FieldType::Character, 10, 0}});
    insertRows(reference() / "ZONES.DBF", {{{"ZONE", "North"}}});

    EXPECT_EQ(copy({"RATES", "ZONES"}, {"1", "0"}), QStringList{"Function successful."});
    EXPECT_EQ(dbfRows(tables / "ZONES.DBF", "ZONE"), std::vector<std::string>{"North"});
    EXPECT_EQ(openTable(tables / "RATES.DB")->rowCount(), 2u);
    EXPECT_EQ(Cpy_Archivi->panelText(1), "[2/2]");
}

// A copy killed in its middle leaves the table half copied and its earlier
// files in a snapshot beside it. The next copy stops there, touching nothing,
// and says where they are; once they are put back the copy runs whole.
TEST_F(Copier, AKilledCopyStopsTheNextOneAtTheFilesItKept) {
    prepareRates("0");
    const auto before = topLevelFiles();
    support::RunOptions options;
    options.errorsToOutput = true;
    support::Outcome copied = support::run({COPY_UNTIL, "RATES", "0", "2"}, options);
    ASSERT_EQ(copied.signal, SIGKILL) << copied.out; // killed
    fs::path kept;
    for (const auto& entry : fs::directory_iterator(tables))
        if (entry.is_directory())
            kept = entry.path();
    ASSERT_FALSE(kept.empty());
    for (const auto& [name, content] : before)
        EXPECT_EQ(bytes(kept / name), content) << name;
    const auto killed = topLevelFiles();
    EXPECT_NE(killed, before);

    QStringList shown = copy({"RATES"}, {"0"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("holds an interrupted copy")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QString::fromStdString(kept.string())));
    EXPECT_EQ(topLevelFiles(), killed);
    EXPECT_TRUE(fs::exists(kept));

    for (const auto& entry : fs::directory_iterator(kept))
        fs::rename(entry.path(), tables / entry.path().filename());
    fs::remove(kept);
    EXPECT_EQ(copy({"RATES"}, {"0"}), QStringList{"Function successful."});
    EXPECT_EQ(dbfRows(tables / "RATES.DBF", "CODE"), (std::vector<std::string>{"R1", "R2"}));
}

} // namespace
