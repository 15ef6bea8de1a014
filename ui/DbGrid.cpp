#include "ui/DbGrid.h"

#include <QHeaderView>

namespace ui {

DbGrid::DbGrid(QWidget* parent) : QTableView(parent) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(14);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (following_ || !current.isValid())
                    return;
                model_.moveTo(current.row());
                if (model_.currentRow() != current.row()) // the move was refused
                    showCurrent(model_.currentRow());
            });
    connect(&model_, &DbGridModel::currentRowChanged, this, &DbGrid::showCurrent);
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        showCurrent(model_.currentRow());
    });
}

void DbGrid::setDataSource(engine::TDataSource* source) {
    model_.setDataSource(source);
}

void DbGrid::setColumns(std::vector<DbColumn> columns) {
    model_.setColumns(std::move(columns));
    applyWidths();
}

void DbGrid::applyWidths() {
    const auto& columns = model_.columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].width > 0)
            setColumnWidth(static_cast<int>(i), columns[i].width);
}

void DbGrid::setSelection(const QRect&, QItemSelectionModel::SelectionFlags) {
    showCurrent(model_.currentRow());
}

void DbGrid::showCurrent(int row) {
    following_ = true;
    if (row >= 0) {
        QModelIndex at = model_.index(row, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
        scrollTo(at);
    } else {
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::Clear);
    }
    following_ = false;
}

} // namespace ui
