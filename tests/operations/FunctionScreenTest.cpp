#include "OperationsWorkspace.h"

#include "operations/Cpy_Archivi.h"
#include "operations/Crt_Archivi.h"
#include "operations/Fun_Operazioni.h"
#include "reports/QRP_PrtArchivi.h"
#include "ui/ModalWindows.h"

#include <QComboBox>

#include <fstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr Date March = Date::fromJulianDay(2460371); // 01/03/2024
constexpr Date April = Date::fromJulianDay(2460402); // 01/04/2024
constexpr Date May = Date::fromJulianDay(2460432);   // 01/05/2024

// Two applications: AA installed and stamped in March with tables of March
// and May, BB not installed with one table of April.
class FunctionScreen : public OperationsWorkspace {
protected:
    void SetUp() override {
        OperationsWorkspace::SetUp();
        addApplication("AA", "Accounts");
        addApplication("BB", "Billing");
        setInstalled("AA", true, March);
        table("OLDAA", "AA", March);
        table("NEWAA", "AA", May);
        table("BILLS", "BB", April);
        Fun_Operazioni->LoadApplications();
    }
    void table(const std::string& name, const std::string& application, Date date,
               bool copyData = false) {
        addTable(name, "0", application, date, copyData);
        addTypedField(name, 1, "CODE", "C", 4);
    }
    TFun_Operazioni& screen() { return *Fun_Operazioni; }
    void choose(int entry) { screen().SetPrd->setCurrentIndex(entry); }
    // Clicks an operation button; returns the tables handed to the builder.
    QStringList run(const char* button) {
        boxes.clear();
        whileModal([&] { click(screen(), button); });
        return Crt_Archivi->TableNames;
    }
};

TEST_F(FunctionScreen, TheListNamesEveryApplicationAfterAllInstalled) {
    QStringList items;
    for (int i = 0; i < screen().SetPrd->count(); ++i)
        items << screen().SetPrd->itemText(i);
    EXPECT_EQ(items, (QStringList{"[all installed]", "Accounts", "Billing"}));
    EXPECT_EQ(screen().AppSuffixes, (std::vector<std::string>{"", "AA", "BB"}));
    EXPECT_EQ(screen().InstalledApps, std::vector<std::string>{"AA"});
    EXPECT_EQ(screen().SetPrd->currentIndex(), 0);
}

TEST_F(FunctionScreen, AnUpdateTakesTheChangedTablesAndStampsTheNewestDateAfterSuccess) {
    EXPECT_EQ(run("BtnUpd"), QStringList{"NEWAA"});
    EXPECT_EQ(Crt_Archivi->windowTitle(), "Update tables");
    EXPECT_EQ(boxes.texts(), QStringList{"Function successfull."});
    EXPECT_TRUE(fs::exists(tables / "NEWAA.DBF"));
    EXPECT_FALSE(fs::exists(tables / "OLDAA.DBF"));
    Application aa = application("AA");
    EXPECT_TRUE(aa.installed);
    EXPECT_EQ(aa.stamped, May);
    EXPECT_FALSE(application("BB").installed);
    EXPECT_FALSE(screen().BtnUpd->isEnabled());
    EXPECT_TRUE(screen().BtnCrt->isEnabled());
}

TEST_F(FunctionScreen, AFailedRunStampsNothingSoTheTablesStayDue) {
    // An interrupted earlier update of NEWAA: the table and its saved copy.
    std::ofstream(tables / "NEWAA.DBF") << "x";
    std::ofstream(tables / "$$NEWAA.DBF") << "x";
    EXPECT_EQ(run("BtnUpd"), QStringList{"NEWAA"});
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].contains("interrupted update"));
    EXPECT_FALSE(Crt_Archivi->Succeeded);
    EXPECT_EQ(application("AA").stamped, March);
}

TEST_F(FunctionScreen, ACreateTakesEveryTableAndLaterUpdatesDoToo) {
    choose(2); // Billing, not installed
    EXPECT_EQ(run("BtnCrt"), QStringList{"BILLS"});
    EXPECT_EQ(Crt_Archivi->windowTitle(), "Create tables");
    Application bb = application("BB");
    EXPECT_TRUE(bb.installed);
    EXPECT_EQ(bb.stamped, Date()); // not tracked: every dated table due next time

    choose(1);
    EXPECT_EQ(run("BtnUpd"), (QStringList{"NEWAA", "OLDAA"}));
    EXPECT_FALSE(screen().BtnCrt->isEnabled());
    EXPECT_FALSE(screen().BtnUpd->isEnabled());
}

TEST_F(FunctionScreen, AllInstalledWithNoneInstalledBuildsNothingAndStampsNothing) {
    setInstalled("AA", false);
    screen().LoadApplications();
    EXPECT_TRUE(run("BtnCrt").isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{"No function."});
    EXPECT_FALSE(application("AA").installed);
    EXPECT_FALSE(application("BB").installed);
}

TEST_F(FunctionScreen, ATypedTextThatNamesNoApplicationChoosesNone) {
    screen().SetPrd->setEditText("Nothing like it");
    EXPECT_TRUE(run("BtnCrt").isEmpty());
    EXPECT_EQ(application("AA").stamped, March);
}

TEST_F(FunctionScreen, TheStampIsTheNewestTableDateAlsoOfTablesNotDue) {
    setInstalled("AA", true, May); // nothing due, the newest table is of May
    table("LATE", "AA", April);
    screen().LoadApplications();
    EXPECT_TRUE(run("BtnUpd").isEmpty());
    EXPECT_EQ(application("AA").stamped, May);
}

TEST_F(FunctionScreen, CopyTakesOnlyTheTablesMarkedForDataWhateverTheirDates) {
    table("RATES", "AA", Date(), true);
    table("ZONES", "BB", May, true);
    boxes.clear();
    QString shown;
    // RATES exists neither on the floppy nor here: the copier's error is expected.
    whileModal([&] { click(screen(), "BtnCpy"); },
               [&](QWidget& window) { shown = window.objectName(); });
    EXPECT_EQ(shown, "Cpy_Archivi");
    EXPECT_EQ(Cpy_Archivi->TableNames, QStringList{"RATES"});
    EXPECT_FALSE(screen().BtnCpy->isEnabled());
    EXPECT_EQ(application("AA").stamped, March); // a copy stamps nothing
}

TEST_F(FunctionScreen, PrintHandsTheChosenApplicationToTheListing) {
    choose(2);
    bool printing = false;
    QString shown = whileModal([&] { click(screen(), "BtnPrt"); },
                               [&](QWidget&) { printing = screen().Printing; });
    EXPECT_EQ(shown, "Rep_PrtArchivi");
    EXPECT_TRUE(printing);
    EXPECT_FALSE(screen().Printing);
    EXPECT_EQ(QRP_PrtArchivi->AppFilter, "BB");
    choose(0);
    whileModal([&] { click(screen(), "BtnPrt"); });
    EXPECT_EQ(QRP_PrtArchivi->AppFilter, "");
}

} // namespace

namespace {

// A name typed in the box, or begun and completed, chooses its entry as a
// click on the entry would.
TEST_F(FunctionScreen, ATypedApplicationNameChoosesItsEntry) {
    screen().SetPrd->setCurrentIndex(-1);
    screen().SetPrd->setEditText(QStringLiteral("Billing"));
    EXPECT_EQ(run("BtnCrt"), QStringList{"BILLS"});
    EXPECT_EQ(boxes.texts(), QStringList{"Function successfull."});
    EXPECT_TRUE(application("BB").installed);
}

TEST_F(FunctionScreen, ATypedTextThatNamesNoEntryChoosesNone) {
    screen().SetPrd->setCurrentIndex(-1);
    screen().SetPrd->setEditText(QStringLiteral("Bill"));
    EXPECT_EQ(run("BtnCrt"), QStringList{});
    EXPECT_EQ(boxes.texts(), QStringList{"No function."});
}

} // namespace
