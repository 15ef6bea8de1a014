#pragma once

#include "engine/dataset/Table.h"
#include "engine/drivers/Tables.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

// A temporary directory with a new, empty dictionary (T_BASE and T_PROD with
// their tags), for tests that need real files.
class DictionaryFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // Adds a base-table row ("A") and returns nothing; fields as named.
    void addBase(const std::string& table, const std::string& app, const std::string& desc);
    void addField(const std::string& table, int row, const std::string& name,
                  const std::string& type, int size);
    void addIndexRow(const std::string& table, const std::string& name, const std::string& key);

    // Opens a dataset on T_BASE with a filter and index, as the programs do.
    void openBase(engine::TTable& table, const std::string& filter, const std::string& index);

    support::TempDir temp{"dataset-test"};
    std::filesystem::path dir = temp.path();
    std::filesystem::path tbase;
};
