#include "DictionaryFixture.h"

#include <random>

using namespace engine;

namespace {

FieldList dictionaryLayout() {
    return {
        {"TMTIPO", FieldType::Character, 1, 0},  {"TMSUFF", FieldType::Character, 2, 0},
        {"TMNRIG", FieldType::Numeric, 4, 0},    {"TMNPFM", FieldType::Character, 10, 0},
        {"TMTFLD", FieldType::Character, 1, 0},  {"TMNFLD", FieldType::Character, 10, 0},
        {"TMDESC", FieldType::Character, 75, 0}, {"TMDCND", FieldType::Character, 75, 0},
        {"TMDATA", FieldType::Date, 8, 0},       {"TMSIZE", FieldType::Numeric, 4, 0},
        {"TMDECS", FieldType::Numeric, 4, 0},    {"TMBCAR", FieldType::Logical, 1, 0},
        {"TMTBAS", FieldType::Character, 1, 0},
    };
}

} // namespace

void DictionaryFixture::SetUp() {
    std::random_device rd;
    dir = std::filesystem::temp_directory_path() / ("dataset-test-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    tbase = dir / "T_BASE.DBF";
    auto file = createTable(tbase, dictionaryLayout());
    file->addIndex({"BASE00", "TMNPFM", "", false, false, false, false});
    file->addIndex({"BASE01", "TMNPFM+TMNFLD", "", false, false, false, false});
    file->addIndex({"BASE02", "TMNPFM+STR(TMNRIG,4)", "", false, false, false, false});
    file->addIndex({"BASE03", "TMSUFF+TMNPFM", "", false, false, false, false});
}

void DictionaryFixture::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
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
