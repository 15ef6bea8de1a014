#include "DictionaryFixture.h"

#include "dictionary/Layouts.h"
#include "support/DictionaryRows.h"

using namespace engine;

void DictionaryFixture::SetUp() {
    dictionary::createDictionary(dir);
    tbase = dir / "T_BASE.DBF";
}

void DictionaryFixture::addBase(const std::string& table, const std::string& app,
                                const std::string& desc) {
    support::BaseRow row = support::tableRow(table, desc, app);
    row.date = Date::fromYmd(2026, 1, 10);
    support::addRow(dir, row);
}

void DictionaryFixture::addField(const std::string& table, int row, const std::string& name,
                                 const std::string& type, int size) {
    support::BaseRow field = support::fieldRow(table, row, name, "Field " + name, type, size);
    field.decimals = 0;
    field.date = Date::fromYmd(2026, 1, 11);
    support::addRow(dir, field);
}

void DictionaryFixture::addIndexRow(const std::string& table, const std::string& name,
                                    const std::string& key) {
    support::BaseRow row = support::tagRow(table, name, key);
    row.date = Date::fromYmd(2026, 1, 12);
    support::addRow(dir, row);
}

void DictionaryFixture::openBase(TTable& table, const std::string& filter,
                                 const std::string& index) {
    table.SetDatabaseName(dir.string());
    table.SetTableName("T_BASE");
    table.SetTableType(ttDBase);
    table.SetFilter(filter);
    table.SetFiltered(!filter.empty());
    table.SetIndexName(index);
    table.Open();
}
