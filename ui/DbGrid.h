#pragma once

#include "ui/DbGridModel.h"

#include <QTableView>

namespace ui {

// A read-only grid over a data source: titles, an indicator column for the
// current row, and columns of chosen fields, widths, fonts and colours.
// Clicking a row moves the dataset there. The highlight is always on the
// dataset's row: when a move is refused it stays where it was, and a later
// click on any row tries again.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);

    void setDataSource(engine::TDataSource* source);
    void setColumns(std::vector<DbColumn> columns);
    DbGridModel& gridModel() { return model_; }

protected:
    // A click or a drag selects no rows of its own: the dataset's row is shown.
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;

private:
    void applyWidths();
    void showCurrent(int row);

    DbGridModel model_;
    bool following_ = false;
};

} // namespace ui
