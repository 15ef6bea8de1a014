#include "ItemsTable.h"

#include "engine/drivers/Tables.h"

#include <cstdlib>

using namespace engine;

Record ItemsTable::itemRow(int n) {
    char code[8], name[24];
    std::snprintf(code, sizeof code, "C%05d", n);
    std::snprintf(name, sizeof name, "Item %06d", 999999 - n);
    return {std::string(code), std::string(name),
            n % 100,           Date::fromYmd(2026, 1 + n % 12, 1 + n % 28),
            n % 2 == 0,        std::string(n % 2 ? "1" : "0")};
}

void ItemsTable::make(int rows) {
    items.Close();
    apps.Close();
    // Locations resolve through the engine configuration: this test's own.
    setenv("SCHEDAX_ENGINE_CONFIG", (dir / "engine.conf").c_str(), 1);
    setenv("SCHEDAX_SYSTEM_DIR", dir.c_str(), 1);
    {
        auto file = createTable(dir / "ITEMS.DBF",
                                {{"CODE", FieldType::Character, 6, 0},
                                 {"NAME", FieldType::Character, 20, 0},
                                 {"QTY", FieldType::Numeric, 4, 0},
                                 {"DAY", FieldType::Date, 8, 0},
                                 {"OK", FieldType::Logical, 1, 0},
                                 {"KIND", FieldType::Character, 1, 0}},
                                true);
        file->beginAppendBatch();
        for (int n = 1; n <= rows; ++n)
            file->append(itemRow(n));
        file->endAppendBatch();
        file->addIndex({"BYCODE", "CODE", "", false, false, false, false});
        file->addIndex({"BYNAME", "NAME", "", false, false, false, false});
        auto appFile = createTable(
            dir / "APPS.DBF",
            {{"CODE", FieldType::Character, 2, 0}, {"NAME", FieldType::Character, 30, 0}}, true);
        appFile->append({"MA", "Warehouse"});
        appFile->append({"AN", "Registry"});
        appFile->append({"FA", "Invoicing"});
        appFile->addIndex({"BYCODE", "CODE", "", false, false, false, false});
    }
    items.Name = "Items";
    items.SetDatabaseName(dir.string());
    items.SetTableName("ITEMS");
    items.SetIndexName("BYNAME");
    items.Open();
    source.SetDataSet(&items);
    source.AutoEdit = false;
    apps.Name = "Apps";
    apps.SetDatabaseName(dir.string());
    apps.SetTableName("APPS");
    apps.SetIndexName("BYCODE");
    apps.Open();
    appSource.SetDataSet(&apps);
}

void ItemsTable::TearDown() {
    items.Close();
    apps.Close();
}
