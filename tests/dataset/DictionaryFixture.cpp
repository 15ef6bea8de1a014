#include "DictionaryFixture.h"

#include "dictionary/Layouts.h"

using namespace engine;

void DictionaryFixture::SetUp() {
    dictionary::createDictionary(dir);
    tbase = dir / "T_BASE.DBF";
}

namespace {

void appendRow(const std::filesystem::path& path, const Record& record) {
    TTable t;
    t.SetDatabaseName(path.parent_path().string());
    t.SetTableName(path.filename().string());
    t.Open();
    t.Insert();
    const auto& fields = t.Fields();
    for (std::size_t i = 0; i < record.size() && i < fields.size(); ++i)
        if (!record[i].isNull())
            fields[i]->SetValue(record[i]);
    t.Post();
}

} // namespace

void DictionaryFixture::addBase(const std::string& table, const std::string& app,
                                const std::string& desc) {
    appendRow(tbase, {"A", app, Value(), table, Value(), Value(), desc, Value(),
                      Date::fromYmd(2026, 1, 10), Value(), Value(), false, "0"});
}

void DictionaryFixture::addField(const std::string& table, int row, const std::string& name,
                                 const std::string& type, int size) {
    appendRow(tbase, {"B", Value(), row, table, type, name, "Field " + name, Value(),
                      Date::fromYmd(2026, 1, 11), size, 0, false, Value()});
}

void DictionaryFixture::addIndexRow(const std::string& table, const std::string& name,
                                    const std::string& key) {
    appendRow(tbase, {"C", Value(), Value(), table, Value(), name, key, Value(),
                      Date::fromYmd(2026, 1, 12), 1, Value(), false, Value()});
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
