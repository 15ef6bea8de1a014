#pragma once

#include "engine/dataset/DataSource.h"
#include "engine/dataset/Table.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

// A temporary table ITEMS (CODE C 6, NAME C 20, QTY N 4 0, DAY D, OK L,
// KIND C 1; tags BYCODE and BYNAME) with `rows` rows, opened on the tag
// BYNAME with a data source whose automatic editing is off; and a table
// APPS (CODE C 2, NAME C 30) of three applications for lookups.
class ItemsTable : public ::testing::Test {
protected:
    void SetUp() override { make(5); }
    void TearDown() override;
    void make(int rows);
    // The row of item `n` (names run backwards, so the name order is not the
    // order of entry).
    static engine::Record itemRow(int n);

    support::TempDir temp{"ui-test"};
    std::filesystem::path dir = temp.path();
    engine::TTable items;
    engine::TDataSource source;
    engine::TTable apps;
    engine::TDataSource appSource;
};
