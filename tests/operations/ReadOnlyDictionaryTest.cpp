// A dictionary installed for every user: its directory and files are
// read-only for the user who runs the program. Root writes any file, so
// these cases run as another user (ReadOnlyDictionaryAsUser).
#include "OperationsWorkspace.h"
#include "support/FileBytes.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/Man_Archivi.h"
#include "editors/Man_Installato.h"
#include "editors/Ric_Gen.h"
#include "operations/Fun_Operazioni.h"
#include "reports/QRP_PrtArchivi.h"
#include "shell/Menu_Vadem.h"
#include "shell/Startup.h"
#include "ui/DbGrid.h"

#include <QComboBox>
#include <QTest>

#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

constexpr Date March = Date::fromJulianDay(2460371); // 01/03/2024
constexpr Date May = Date::fromJulianDay(2460432);   // 01/05/2024

class ReadOnlyDictionary : public OperationsWorkspace {
protected:
    void SetUp() override {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root writes any file; ReadOnlyDictionaryAsUser runs this as nobody";
        OperationsWorkspace::SetUp();
        addApplication("AA", "Accounts");
        setInstalled("AA", true, March);
        addTable("CLIENTI", "0", "AA", May);
        addTypedField("CLIENTI", 1, "CODE", "C", 4);
        // The program starts afresh on files it may only read.
        destroyProgram();
        for (const auto& entry : fs::directory_iterator(system))
            fs::permissions(entry.path(), fs::perms(0444));
        fs::permissions(system, fs::perms(0555));
        before = files();
        boxes.clear();
        createProgram();
    }
    void TearDown() override {
        if (IsSkipped())
            return;
        EXPECT_EQ(files(), before) << "the dictionary changed";
        fs::permissions(system, fs::perms(0755));
        OperationsWorkspace::TearDown();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> bytes;
        for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
            bytes.push_back(support::readBytes(system / file));
        return bytes;
    }
    // The one refusal of a change: the file, and that it is read-only.
    QString refusal(const char* file) const {
        return QString::fromStdString((system / file).string()) +
               " is read-only: it can be read but not changed.";
    }
    void doubleClickRow(ui::DbGrid& grid, int row) {
        QPoint at = grid.visualRect(grid.model()->index(row, 1)).center();
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
    }

    std::vector<std::string> before;
};

} // namespace

TEST_F(ReadOnlyDictionary, IsBrowsedSearchedAndPrinted) {
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
    QStringList items;
    for (int i = 0; i < Fun_Operazioni->SetPrd->count(); ++i)
        items << Fun_Operazioni->SetPrd->itemText(i);
    EXPECT_EQ(items, (QStringList{"[all installed]", "Accounts"}));

    open(*Man_Archivi);
    EXPECT_EQ(Man_Archivi->Base.FieldByName("TMNPFM").AsString(), "CLIENTI");
    EXPECT_EQ(Man_Archivi->Field.FieldByName("TMNFLD").AsString(), "CODE");
    Man_Archivi->close();

    Ric_Gen->SearchTable = "T_BASE";
    Ric_Gen->SearchDescField = "TMDESC";
    Ric_Gen->SearchCodeField = "TMNPFM";
    Ric_Gen->SearchDescSize = 75;
    Ric_Gen->SearchCodeSize = 10;
    Ric_Gen->SearchFilter = "TMTIPO=\"A\"";
    open(*Ric_Gen);
    type(*Ric_Gen, "SetRicerca", "CLI");
    click(*Ric_Gen, "BtnRicerca");
    auto* hits = control<ui::DbGrid>(*Ric_Gen, "QryGrid");
    ASSERT_EQ(hits->model()->rowCount(), 1);
    EXPECT_EQ(hits->model()->index(0, 0).data().toString(), "CLIENTI");
    Ric_Gen->close();

    fs::path pdf = root / "roster.pdf";
    QRP_PrtArchivi->AppFilter.clear();
    QRP_PrtArchivi->Rep_PrtArchivi.WritePdf(QString::fromStdString(pdf.string()));
    EXPECT_GT(fs::file_size(pdf), 0u);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(ReadOnlyDictionary, EveryChangeIsRefusedOnceNamingTheFile) {
    open(*Man_Archivi);
    click(*Man_Archivi, "BtnInsert");
    EXPECT_EQ(boxes.texts(), QStringList{refusal("T_BASE.DBF")});
    EXPECT_EQ(Man_Archivi->Base.State(), dsBrowse);
    boxes.clear();
    click(*Man_Archivi, "BtnEdit");
    EXPECT_EQ(boxes.texts(), QStringList{refusal("T_BASE.DBF")});
    EXPECT_EQ(Man_Archivi->Base.State(), dsBrowse);
    Man_Archivi->close();

    boxes.clear();
    open(*Man_Installato);
    doubleClickRow(*Man_Installato->GrdProd, 0);
    EXPECT_EQ(boxes.texts(), QStringList{refusal("T_PROD.DBF")});
    Man_Installato->close();

    // The builder builds the tables (their directory is the user's) and
    // cannot stamp the application.
    boxes.clear();
    Fun_Operazioni->SetPrd->setCurrentIndex(1);
    whileModal([&] { click(*Fun_Operazioni, "BtnCrt"); });
    EXPECT_TRUE(fs::exists(tables / "CLIENTI.DBF"));
    EXPECT_EQ(boxes.texts().filter(QStringLiteral("read-only")), QStringList{refusal("T_PROD.DBF")})
        << boxes.texts().join(" | ").toStdString();
    EXPECT_EQ(application("AA").stamped, March);

    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_EQ(boxes.texts().filter(QStringLiteral("read-only")),
              QStringList{"The dictionary was not restored: " +
                          QString::fromStdString((system / "T_BASE.DBF").string()) +
                          " is read-only: its directory " +
                          QString::fromStdString(system.string()) + " cannot be written."});
}
