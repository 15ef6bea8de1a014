#pragma once

#include "ui/Bookmark.h"
#include "ui/DataLink.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <memory>
#include <optional>
#include <vector>

namespace ui {

// One column of a data grid.
struct DbColumn {
    std::string field;
    QString title;
    int width = 0; // pixels; 0: the view's default
    std::optional<QFont> font;
    std::optional<QColor> color;
};

// The rows of a data source's dataset, in the dataset's order (index, filter
// and range), for a grid. Rows are read lazily in batches as the view
// scrolls, by walking the dataset quietly, so that a large table opens at
// once. The current row is marked in the vertical header: a triangle while
// browsing, "I" while editing, "*" while inserting (the grid shows the row
// being edited from the edit buffer).
class DbGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int BatchSize = 200;

    explicit DbGridModel(QObject* parent = nullptr);
    ~DbGridModel() override;

    void setDataSource(engine::TDataSource* source);
    engine::TDataSource* dataSource() const { return link_.source(); }
    void setColumns(std::vector<DbColumn> columns);
    const std::vector<DbColumn>& columns() const { return columns_; }

    // The row the dataset stands on, -1 when none is read yet.
    int currentRow() const { return current_; }
    // Moves the dataset to a row of the grid (storing a pending row first,
    // as any move does).
    void moveTo(int row);
    bool complete() const { return complete_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    void currentRowChanged(int row);

private:
    struct Row {
        engine::RowId id;
        std::vector<QString> cells;
    };

    void reload();
    // Reads up to `count` more rows; stops early at `until` when given.
    void fetch(int count, engine::RowId until = engine::NoRow);
    void follow();
    void setCurrent(int row);
    void showInsertRow();
    int storedRow(int row) const; // index in rows_ of a grid row
    std::vector<QString> cellsOfCurrent() const;
    engine::TDataSet* dataSet() const;
    engine::TTable* table() const;
    std::uint64_t changeCount() const;

    DataLink link_;
    std::vector<DbColumn> columns_;
    std::vector<Row> rows_;
    std::unique_ptr<Bookmark> end_; // holds the last row read
    bool complete_ = true;
    bool busy_ = false;
    int current_ = -1;
    int insertAt_ = -1; // grid row of a row being inserted, shown beside the stored ones
    std::uint64_t seenChange_ = 0;
};

} // namespace ui
