#pragma once

#include "ui/DbGridModel.h"

#include <QTableView>

namespace ui {

// A read-only grid over a data source: titles, an indicator column for the
// current row, and columns of chosen fields, widths, fonts and colours.
// Clicking a row moves the dataset there.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);

    void setDataSource(engine::TDataSource* source);
    void setColumns(std::vector<DbColumn> columns);
    DbGridModel& gridModel() { return model_; }

private:
    void applyWidths();
    void showCurrent(int row);

    DbGridModel model_;
    bool following_ = false;
};

} // namespace ui
