#include "envtool/StringGrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// Puts every keystroke of a cell editor into its cell at once, so that a
// button that does not take the focus still reads what is being typed.
class LiveEditDelegate : public QStyledItemDelegate {
public:
    explicit LiveEditDelegate(QTableWidget* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            connect(line, &QLineEdit::textEdited, grid_,
                    [model = grid_->model(), cell = QPersistentModelIndex(index)](
                        const QString& text) { model->setData(cell, text); });
        }
        return editor;
    }

private:
    QTableWidget* grid_;
};

} // namespace

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent) {
    // The fixed columns are cells of the grid. The fixed row is a row of cells
    // too, shown through the column header so that it never scrolls away.
    horizontalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    // Column widths are set by the window, never raised to what the font needs.
    horizontalHeader()->setMinimumSectionSize(0);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* changed) {
        if (changed->row() < fixedRows_)
            showFixedRow();
    });
    setItemDelegate(new LiveEditDelegate(this));
    setShowGrid(true);
    setTabKeyNavigation(true);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (row >= 0 && col >= 0)
            emit cellSelected(col, row);
    });
    // A click on the cell that is already current selects it again.
    connect(this, &QTableWidget::cellPressed, this, [this](int row, int col) {
        if (!isFixed(col, row))
            emit cellSelected(col, row);
    });
}

void StringGrid::setGridSize(int colCount, int rowCount, int fixedCols, int fixedRows) {
    Q_ASSERT(fixedRows <= 1);
    setColumnCount(colCount);
    setRowCount(rowCount);
    fixedCols_ = fixedCols;
    fixedRows_ = fixedRows;
    for (int row = 0; row < rowCount; ++row) {
        for (int col = 0; col < colCount; ++col)
            styleCell(col, row);
        setRowHidden(row, row < fixedRows);
    }
    horizontalHeader()->setVisible(fixedRows > 0);
    showFixedRow();
}

void StringGrid::showFixedRow() {
    if (fixedRows_ == 0)
        return;
    QStringList texts;
    for (int col = 0; col < columnCount(); ++col)
        texts << cell(col, 0);
    setHorizontalHeaderLabels(texts);
}

void StringGrid::styleCell(int col, int row) {
    QTableWidgetItem* cellItem = item(row, col);
    if (!cellItem) {
        cellItem = new QTableWidgetItem;
        setItem(row, col, cellItem);
    }
    if (isFixed(col, row)) {
        // Disabled cells are skipped by the cursor keys and the mouse; they
        // keep the text colour of a header.
        cellItem->setFlags(Qt::NoItemFlags);
        cellItem->setBackground(palette().button());
        cellItem->setForeground(palette().buttonText());
    } else {
        cellItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    }
}

void StringGrid::setDefaultRowHeight(int height) {
    horizontalHeader()->setFixedHeight(height);
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
    for (int row = 0; row < rowCount(); ++row)
        setRowHeight(row, height);
}

QString StringGrid::cell(int col, int row) const {
    const QTableWidgetItem* cellItem = item(row, col);
    return cellItem ? cellItem->text() : QString();
}

void StringGrid::setCell(int col, int row, const QString& text) {
    if (QTableWidgetItem* cellItem = item(row, col))
        cellItem->setText(text);
    else
        setItem(row, col, new QTableWidgetItem(text));
}
