#pragma once

#include "engine/dataset/Table.h"
#include "engine/sql/Query.h"

#include <memory>

namespace ui {

// Remembers the row a dataset stands on and puts it back there later. For a
// table it is a second dataset on the same file, unfiltered and in natural
// order, that holds the row; for a query the row's number in the result;
// other datasets are not remembered.
class Bookmark {
public:
    explicit Bookmark(engine::TDataSet& dataSet);
    Bookmark(const Bookmark&) = delete;
    Bookmark& operator=(const Bookmark&) = delete;

    bool valid() const { return holder_ != nullptr || queryRow_ != engine::NoRow; }
    // Remembers the dataset's current row (forgets when it has none).
    void set();
    // Moves the dataset back to the remembered row; false when it cannot.
    bool restore();

private:
    engine::TTable* table_;
    std::unique_ptr<engine::TTable> holder_;
    engine::TQuery* query_;
    engine::RowId queryRow_ = engine::NoRow;
};

// The row a table or a query stands on (a table's row number, a query's
// place in its result); NoRow for other datasets and when there is none.
engine::RowId currentRowId(engine::TDataSet& dataSet);

} // namespace ui
