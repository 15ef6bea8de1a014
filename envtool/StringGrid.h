#pragma once

#include <QTableWidget>

// A grid of text cells addressed column first, as cell(col, row), whose first
// rows and columns can be fixed: drawn like headers, never current, selected
// or edited. A fixed row (there is at most one) is drawn as the column header
// and stays in view while the other rows scroll. Moving to a cell, by key or by mouse,
// signals cellSelected.
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);

    // Replaces the size of the grid; every cell gets an item.
    void setGridSize(int colCount, int rowCount, int fixedCols, int fixedRows);
    void setDefaultRowHeight(int height);
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

signals:
    void cellSelected(int col, int row);

private:
    bool isFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
    void styleCell(int col, int row);
    void showFixedRow();

    int fixedCols_ = 0;
    int fixedRows_ = 0;
};
