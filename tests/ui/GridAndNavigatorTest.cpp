#include "ItemsTable.h"

#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"

#include <QHeaderView>

using namespace engine;

using GridAndNavigator = ItemsTable;

namespace {

QString cell(ui::DbGrid& grid, int row, int column) {
    return grid.model()->index(row, column).data().toString();
}

QString indicator(ui::DbGrid& grid, int row) {
    return grid.model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
}

} // namespace

TEST_F(GridAndNavigator, GridShowsTheIndexOrderAndFollowsTheCurrentRow) {
    items.FieldByName("OK").DisplayFormat = "    Yes;    No";
    ui::DbGrid grid;
    QFont bold;
    bold.setBold(true);
    grid.setColumns({{"CODE", "Code", 0, bold, QColor(Qt::red)},
                     {"NAME", "Name", 150, std::nullopt, std::nullopt},
                     {"DAY", "Date", 0, std::nullopt, std::nullopt},
                     {"OK", "Installed", 0, std::nullopt, std::nullopt}});
    grid.setDataSource(&source);
    ui::DbGridModel& model = grid.gridModel();

    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(cell(grid, 0, 0), "C00005"); // by name, not by entry
    EXPECT_EQ(cell(grid, 4, 0), "C00001");
    EXPECT_EQ(cell(grid, 0, 2), "06/06/2026");
    EXPECT_EQ(cell(grid, 0, 3), "    No");
    EXPECT_EQ(cell(grid, 1, 3), "    Yes");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Name");
    EXPECT_EQ(grid.columnWidth(1), 150);
    EXPECT_TRUE(model.index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model.index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(indicator(grid, 0), "\u25B6");

    items.Next();
    items.Next();
    EXPECT_EQ(model.currentRow(), 2);
    EXPECT_EQ(indicator(grid, 0), "");
    EXPECT_EQ(grid.currentIndex().row(), 2);

    // Clicking a row moves the dataset there.
    grid.setCurrentIndex(model.index(4, 0));
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00001");
    grid.setCurrentIndex(model.index(1, 1));
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00004");

    // Editing: the indicator says so and the row shows what is typed.
    items.Edit();
    EXPECT_EQ(indicator(grid, 1), "I");
    items.FieldByName("NAME").SetAsString("Changed");
    EXPECT_EQ(cell(grid, 1, 1), "Changed");
    // Moving in the grid stores the pending row first.
    grid.setCurrentIndex(model.index(3, 0));
    EXPECT_EQ(items.State(), dsBrowse);
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00002");
    EXPECT_EQ(cell(grid, 0, 1), "Changed"); // the new name sorts first now

    // Inserting opens a row of its own above the current one.
    QString currentName = cell(grid, 3, 1);
    items.Insert();
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(indicator(grid, 3), "*");
    EXPECT_EQ(cell(grid, 3, 1), "");
    EXPECT_EQ(cell(grid, 4, 1), currentName);
    items.FieldByName("NAME").SetAsString("Typed");
    EXPECT_EQ(cell(grid, 3, 1), "Typed");
    items.Cancel();
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(cell(grid, 3, 1), currentName);

    // A range narrows the grid once the source is enabled again.
    source.SetEnabled(false);
    items.SetIndexName("BYCODE");
    items.SetRangeStart();
    items.FieldByName("CODE").SetAsString("C00002");
    items.SetRangeEnd();
    items.FieldByName("CODE").SetAsString("C00003");
    items.ApplyRange();
    source.SetEnabled(true);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(grid, 1, 0), "C00003");

    items.Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(GridAndNavigator, LargeTablesAreReadInBatches) {
    make(20000);
    ui::DbGrid grid;
    grid.setColumns({{"CODE", "Code", 0, {}, {}}});
    grid.setDataSource(&source);
    ui::DbGridModel& model = grid.gridModel();
    EXPECT_EQ(model.rowCount(), ui::DbGridModel::BatchSize);
    EXPECT_TRUE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 2 * ui::DbGridModel::BatchSize);
    EXPECT_EQ(cell(grid, ui::DbGridModel::BatchSize, 0), "C19800");
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C20000"); // the dataset did not move

    // Going to the last row reads up to it.
    items.Last();
    EXPECT_EQ(model.rowCount(), 20000);
    EXPECT_EQ(model.currentRow(), 19999);
    EXPECT_FALSE(model.canFetchMore({}));
    EXPECT_EQ(cell(grid, 19999, 0), "C00001");
}

TEST_F(GridAndNavigator, NavigatorMovesWithHintsAndStateOfItsButtons) {
    ui::DbNavigator nav;
    nav.setDataSource(&source);
    using B = ui::DbNavigator;
    EXPECT_EQ(nav.button(B::First)->toolTip(), "First record");
    EXPECT_EQ(nav.button(B::Prior)->toolTip(), "Prior record");
    EXPECT_EQ(nav.button(B::Next)->toolTip(), "Next record");
    EXPECT_EQ(nav.button(B::Last)->toolTip(), "Last record");

    EXPECT_FALSE(nav.button(B::First)->isEnabled());
    EXPECT_FALSE(nav.button(B::Prior)->isEnabled());
    EXPECT_TRUE(nav.button(B::Next)->isEnabled());
    nav.button(B::Next)->click();
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00004");
    EXPECT_TRUE(nav.button(B::Prior)->isEnabled());
    nav.button(B::Last)->click();
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00001");
    EXPECT_FALSE(nav.button(B::Next)->isEnabled());
    EXPECT_FALSE(nav.button(B::Last)->isEnabled());
    nav.button(B::Prior)->click();
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00002");
    nav.button(B::First)->click();
    EXPECT_EQ(items.FieldByName("CODE").AsString(), "C00005");

    source.SetEnabled(false);
    for (auto which : {B::First, B::Prior, B::Next, B::Last})
        EXPECT_FALSE(nav.button(which)->isEnabled());
}
