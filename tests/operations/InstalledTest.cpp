#include "OperationsWorkspace.h"

#include "editors/Man_Installato.h"
#include "operations/Fun_Operazioni.h"

#include <QHeaderView>
#include <QTest>

using namespace engine;

namespace {

constexpr Date March = Date::fromJulianDay(2460371); // 01/03/2024

class Installed : public OperationsWorkspace {
protected:
    TMan_Installato& window() { return *Man_Installato; }
    void doubleClickRow(int row) {
        ui::DbGrid* grid = window().GrdProd;
        QModelIndex cell = grid->model()->index(row, 1);
        QPoint at = grid->visualRect(cell).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    QString shown(int row, int column) {
        return window().GrdProd->model()->index(row, column).data().toString();
    }
};

TEST_F(Installed, ADoubleClickSwitchesTheFlagAndMarkingNotInstalledClearsTheDate) {
    addApplication("AA", "Accounts");
    setInstalled("AA", true, March);
    open(window());
    EXPECT_EQ(shown(0, 2), "Installed");
    EXPECT_EQ(shown(0, 1), "01/03/2024");

    doubleClickRow(0);
    EXPECT_EQ(shown(0, 2), "not installed");
    EXPECT_EQ(shown(0, 1), "");
    EXPECT_FALSE(application("AA").installed);
    EXPECT_EQ(application("AA").stamped, Date());

    doubleClickRow(0);
    EXPECT_EQ(shown(0, 2), "Installed");
    EXPECT_EQ(shown(0, 1), "");
    EXPECT_TRUE(application("AA").installed);
    window().close();
}

TEST_F(Installed, ADoubleClickOnAColumnTitleSwitchesTheCurrentRow) {
    addApplication("AA", "Accounts");
    addApplication("BB", "Billing");
    open(window());
    QHeaderView* header = window().GrdProd->horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                       QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_TRUE(application("AA").installed);
    EXPECT_FALSE(application("BB").installed);
    window().close();
}

TEST_F(Installed, ADoubleClickOnAnEmptyListAddsNoRow) {
    open(window());
    QTest::mouseDClick(window().GrdProd->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    window().GrdProdDblClick();
    window().close();
    EXPECT_TRUE(applicationCodes().empty());
    EXPECT_TRUE(boxes.texts().isEmpty()) << lastBox().toStdString();
}

TEST_F(Installed, ClosingReloadsTheFunctionScreensInstalledApplications) {
    addApplication("AA", "Accounts");
    addApplication("BB", "Billing");
    setInstalled("AA", true, March);
    Fun_Operazioni->LoadApplications();
    ASSERT_EQ(Fun_Operazioni->InstalledApps, std::vector<std::string>{"AA"});
    open(window());
    doubleClickRow(0);
    doubleClickRow(1);
    window().close();
    EXPECT_EQ(Fun_Operazioni->InstalledApps, std::vector<std::string>{"BB"});
    EXPECT_FALSE(window().Prod.Active());
}

} // namespace

TEST_F(Installed, TheWindowEndsWhereItsDesignEnds) {
    open(window());
    // Inside the frame of the design: the Close button 6 pixels above the
    // bottom and 4 from the right edge, the grid 2 from it; no empty strip.
    QRect close = window().BitUscita->geometry();
    EXPECT_EQ(window().height() - (close.y() + close.height()), 6);
    EXPECT_EQ(window().width() - (close.x() + close.width()), 4);
    EXPECT_EQ(window().width() - window().GrdProd->geometry().width(), 2);
    window().close();
}
