#include "ui/DbGridModel.h"

#include "engine/dataset/Table.h"
#include "ui/Dialogs.h"
#include "ui/FieldText.h"

#include <climits>

namespace ui {

DbGridModel::DbGridModel(QObject* parent) : QAbstractTableModel(parent) {
    link_.onState = [this](engine::TDataSource&) {
        engine::TDataSet* ds = dataSet();
        if (!ds || ds->State() == engine::dsBrowse)
            reload();
        else if (ds->State() == engine::dsInsert)
            showInsertRow();
        else
            setCurrent(current_);
    };
    link_.onData = [this](engine::TDataSource&, engine::TField* field) {
        if (busy_)
            return;
        if (field) {
            if (current_ >= 0)
                emit dataChanged(index(current_, 0), index(current_, columnCount() - 1));
            return;
        }
        if (changeCount() != seenChange_)
            reload();
        else
            follow();
    };
}

DbGridModel::~DbGridModel() = default;

void DbGridModel::setDataSource(engine::TDataSource* source) {
    link_.setSource(source);
    reload();
}

void DbGridModel::setColumns(std::vector<DbColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
    reload();
}

engine::TDataSet* DbGridModel::dataSet() const {
    engine::TDataSource* source = link_.source();
    return source && source->State() != engine::dsInactive ? source->DataSet() : nullptr;
}

engine::TTable* DbGridModel::table() const {
    return dynamic_cast<engine::TTable*>(dataSet());
}

std::uint64_t DbGridModel::changeCount() const {
    engine::TTable* t = table();
    return t && t->tableFile() ? t->tableFile()->changeCount() : 0;
}

std::vector<QString> DbGridModel::cellsOfCurrent() const {
    std::vector<QString> cells;
    engine::TDataSet* ds = dataSet();
    for (const DbColumn& column : columns_) {
        engine::TField* f = ds ? ds->FindField(column.field) : nullptr;
        cells.push_back(f ? displayText(*f) : QString());
    }
    return cells;
}

// A new row opens above the current one, as a row of its own.
void DbGridModel::showInsertRow() {
    if (insertAt_ >= 0)
        return;
    int at = current_ >= 0 ? current_ : 0;
    beginInsertRows({}, at, at);
    insertAt_ = at;
    current_ = -1;
    endInsertRows();
    setCurrent(at);
}

int DbGridModel::storedRow(int row) const {
    return insertAt_ >= 0 && row > insertAt_ ? row - 1 : row;
}

void DbGridModel::reload() {
    if (busy_)
        return;
    beginResetModel();
    insertAt_ = -1;
    rows_.clear();
    end_.reset();
    current_ = -1;
    complete_ = dataSet() == nullptr;
    seenChange_ = changeCount();
    endResetModel();
    fetch(BatchSize);
    follow();
}

void DbGridModel::fetch(int count, engine::RowId until) {
    engine::TDataSet* ds = dataSet();
    if (!ds || complete_ || busy_ || ds->State() != engine::dsBrowse)
        return;
    std::vector<Row> more;
    busy_ = true;
    try {
        walkQuietly(*ds, [&] {
            if (rows_.empty()) {
                ds->First();
            } else {
                if (!end_ || !end_->restore()) {
                    complete_ = true;
                    return;
                }
                ds->Next();
            }
            while (!ds->Eof()) {
                more.push_back({currentRowId(*ds), cellsOfCurrent()});
                if (static_cast<int>(more.size()) >= count ||
                    (until != engine::NoRow && more.back().id == until))
                    break;
                ds->Next();
            }
            complete_ = complete_ || ds->Eof();
            if (!more.empty()) {
                if (!end_)
                    end_ = std::make_unique<Bookmark>(*ds);
                else
                    end_->set();
            }
        });
    } catch (const std::exception& error) {
        complete_ = true;
        dialogs().error(QString::fromStdString(error.what()));
    }
    busy_ = false;
    if (more.empty())
        return;
    int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    for (Row& row : more)
        rows_.push_back(std::move(row));
    endInsertRows();
}

void DbGridModel::follow() {
    engine::TDataSet* ds = dataSet();
    if (!ds || ds->State() == engine::dsInsert) {
        setCurrent(ds ? insertAt_ : -1);
        return;
    }
    engine::RowId id = currentRowId(*ds);
    auto find = [&]() -> int {
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].id == id)
                return static_cast<int>(i);
        return -1;
    };
    int at = id == engine::NoRow ? -1 : find();
    if (at < 0 && id != engine::NoRow && !complete_) {
        fetch(INT_MAX, id);
        at = find();
    }
    setCurrent(at);
}

void DbGridModel::setCurrent(int row) {
    int before = current_;
    current_ = row;
    if (before >= 0 && before < rowCount())
        emit headerDataChanged(Qt::Vertical, before, before);
    if (row >= 0) {
        emit headerDataChanged(Qt::Vertical, row, row);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    if (before != row)
        emit currentRowChanged(row);
}

void DbGridModel::moveTo(int row) {
    engine::TDataSet* ds = dataSet();
    if (!ds || row < 0 || row >= rowCount() || row == current_ || row == insertAt_)
        return;
    engine::RowId target = rows_[storedRow(row)].id;
    try {
        ds->CheckBrowseMode(); // stores a pending row, with its checks
        follow();
        int at = current_;
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
            if (rows_[i].id == target)
                row = i;
        if (row == at)
            return;
        {
            Quiet quiet(*ds);
            if (at < 0) {
                ds->First();
                at = 0;
            }
            for (; at + 1 < row; ++at)
                ds->Next();
            for (; at - 1 > row; --at)
                ds->Prior();
        }
        // The last step is heard.
        if (at < row)
            ds->Next();
        else if (at > row)
            ds->Prior();
        else
            ds->Refresh();
    } catch (const std::exception& error) {
        dialogs().error(QString::fromStdString(error.what()));
        follow();
    }
}

int DbGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size()) + (insertAt_ >= 0 ? 1 : 0);
}

int DbGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DbGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const DbColumn& column = columns_[index.column()];
    switch (role) {
    case Qt::DisplayRole: {
        engine::TDataSet* ds = dataSet();
        bool pending = ds && (ds->State() == engine::dsEdit || ds->State() == engine::dsInsert);
        if (pending && index.row() == current_)
            return cellsOfCurrent()[index.column()];
        return rows_[storedRow(index.row())].cells[index.column()];
    }
    case Qt::FontRole:
        return column.font ? QVariant(*column.font) : QVariant();
    case Qt::ForegroundRole:
        return column.color ? QVariant(*column.color) : QVariant();
    default:
        return {};
    }
}

QVariant DbGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < columnCount() ? columns_[section].title : QVariant();
    if (section != current_)
        return QString();
    engine::TDataSet* ds = dataSet();
    if (ds && ds->State() == engine::dsEdit)
        return QStringLiteral("I");
    if (ds && ds->State() == engine::dsInsert)
        return QStringLiteral("*");
    return QStringLiteral("\u25B6");
}

bool DbGridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete_;
}

void DbGridModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        fetch(BatchSize);
}

} // namespace ui
