#pragma once

#include "engine/dbase/ProductionIndex.h"

#include <vector>

// An in-memory table that feeds a ProductionIndex the way the DBF table
// does: records by number (from 1) with their deleted flags, and every write
// reported to the index.
struct MdxTestTable {
    engine::FieldList fields;
    std::vector<engine::Record> rows;
    std::vector<bool> deleted;
    engine::dbase::ProductionIndex* index = nullptr;

    engine::dbase::ProductionIndex::RecordSource source() const {
        return [this](const engine::dbase::ProductionIndex::RecordVisitor& visit) {
            for (std::size_t i = 0; i < rows.size(); ++i)
                visit(i + 1, rows[i], deleted[i]);
        };
    }
    engine::RowId append(engine::Record r) {
        rows.push_back(std::move(r));
        deleted.push_back(false);
        if (index)
            index->onAppend(rows.size(), rows.back(), false);
        return rows.size();
    }
    void update(engine::RowId recno, engine::Record r) {
        engine::Record before = rows[recno - 1];
        rows[recno - 1] = std::move(r);
        if (index)
            index->onUpdate(recno, before, deleted[recno - 1], rows[recno - 1], deleted[recno - 1]);
    }
    void setDeleted(engine::RowId recno, bool flag) {
        bool was = deleted[recno - 1];
        deleted[recno - 1] = flag;
        if (index)
            index->onUpdate(recno, rows[recno - 1], was, rows[recno - 1], flag);
    }
};
