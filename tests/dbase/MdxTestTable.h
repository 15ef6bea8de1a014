#pragma once

#include "engine/dbase/ProductionIndex.h"

#include <cstdio>
#include <filesystem>
#include <string>
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

// A fresh directory under the build tree for one test's files.
inline std::filesystem::path mdxTestDir(const std::string& name) {
    auto dir = std::filesystem::path(SCHEDAX_BINARY_DIR) / "test-files" / "mdx" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Standard output of a shell command; the exit status goes to `status`.
inline std::string mdxRun(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int rc = pclose(p);
    if (status)
        *status = rc;
    return out;
}
