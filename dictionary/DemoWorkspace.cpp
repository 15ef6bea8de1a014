#include "dictionary/DemoWorkspace.h"

#include "dictionary/Layouts.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "engine/files/FileNames.h"
#include "engine/values/Date.h"

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace dictionary {

namespace {

struct SampleField {
    const char* name;
    const char* type; // dictionary type code
    int size;
    int decimals;
    const char* description;
};

struct SampleIndex {
    const char* tag;
    const char* key;
    const char* condition;
};

struct SampleTable {
    const char* name;
    const char* application;
    const char* type; // "0" dBASE, "1" PARADOX
    bool copyData;
    const char* description;
    std::vector<SampleField> fields;
    std::vector<SampleIndex> indexes;
    std::vector<std::vector<engine::Value>> referenceRows;
};

struct SampleApplication {
    const char* code;
    const char* name;
    const char* directory;
    const char* program;
};

const std::vector<SampleApplication> Applications = {
    {"AN", "Registry of customers and suppliers", "ANAGRAF", "ANAG32"},
    {"MA", "Warehouse", "MAGAZZ", "MAGA32"},
    {"FA", "Invoicing", "FATTURE", "FATT32"},
};

const SampleApplication ExtraApplication = {"PR", "Production planning", "PRODUZ", "PROD32"};

std::vector<SampleTable> sampleTables(bool extra) {
    std::vector<SampleTable> tables = {
        {"CLIENTI",
         "AN",
         "0",
         false,
         "Customers",
         {{"CLCODE", "C", 6, 0, "Customer code"},
          {"CLNAME", "C", 40, 0, "Company name"},
          {"CLCITY", "C", 30, 0, "City"},
          {"CLNATION", "C", 3, 0, "Nation code"},
          {"CLSINCE", "D", 8, 0, "Customer since"},
          {"CLNOTE", "M", 10, 0, "Notes"}},
         {{"CLIE00", "CLCODE", ""}, {"CLIE01", "UPPER(CLNAME)", ""}},
         {}},
        {"FORNITORI",
         "AN",
         "0",
         false,
         "Suppliers",
         {{"FOCODE", "C", 6, 0, "Supplier code"},
          {"FONAME", "C", 40, 0, "Company name"},
          {"FOACTIVE", "L", 1, 0, "Active supplier"}},
         {{"FORN00", "FOCODE", ""}, {"FORN01", "UPPER(FONAME)", "FOACTIVE"}},
         {}},
        {"NAZIONI",
         "AN",
         "1",
         true,
         "Nations",
         {{"NACODE", "C", 3, 0, "Nation code"}, {"NANAME", "C", 30, 0, "Nation name"}},
         {{"NAZI00", "NACODE", ""}},
         {{"ITA", "Italy"}, {"FRA", "France"}, {"DEU", "Germany"}, {"ESP", "Spain"}}},
        {"ARTICOLI",
         "MA",
         "0",
         false,
         "Articles",
         {{"ARCODE", "C", 12, 0, "Article code"},
          {"ARDESC", "C", 50, 0, "Description"},
          {"ARPRICE", "N", 12, 2, "List price"},
          {"ARSTOCK", "N", 8, 0, "Units in stock"},
          {"ARPICT", "O", 10, 0, "Picture"}},
         {{"ARTI00", "ARCODE", ""}, {"ARTI01", "UPPER(ARDESC)", ""}},
         {}},
        {"MOVIMAG",
         "MA",
         "0",
         false,
         "Warehouse movements",
         {{"MVDATE", "D", 8, 0, "Movement date"},
          {"MVARTI", "C", 12, 0, "Article code"},
          {"MVQTY", "N", 10, 2, "Quantity"},
          {"MVCAUS", "C", 3, 0, "Reason code"}},
         {{"MOVI00", "DTOS(MVDATE)+MVARTI", ""}},
         {}},
        {"DEPOSITI",
         "MA",
         "1",
         true,
         "Depots",
         {{"DPCODE", "C", 2, 0, "Depot code"}, {"DPNAME", "C", 30, 0, "Depot name"}},
         {{"DEPO00", "DPCODE", ""}},
         {{"01", "Main depot"}, {"02", "North depot"}}},
        {"CAUSALI",
         "MA",
         "0",
         true,
         "Movement reasons",
         {{"CACODE", "C", 3, 0, "Reason code"},
          {"CADESC", "C", 30, 0, "Description"},
          {"CASIGN", "N", 2, 0, "Sign (+1 in, -1 out)"}},
         {{"CAUS00", "CACODE", ""}},
         {{"ACQ", "Purchase", 1}, {"VEN", "Sale", -1}, {"RES", "Return", 1}}},
        {"FATTURE",
         "FA",
         "0",
         false,
         "Invoices",
         {{"FTNUMBER", "N", 6, 0, "Invoice number"},
          {"FTDATE", "D", 8, 0, "Invoice date"},
          {"FTCLIENT", "C", 6, 0, "Customer code"},
          {"FTTOTAL", "N", 14, 2, "Total amount"},
          {"FTPAID", "L", 1, 0, "Paid"}},
         {{"FATT00", "STR(FTNUMBER,6)", ""}, {"FATT01", "FTCLIENT+DTOS(FTDATE)", ""}},
         {}},
        {"RIGHEFAT",
         "FA",
         "0",
         false,
         "Invoice lines",
         {{"RFNUMBER", "N", 6, 0, "Invoice number"},
          {"RFLINE", "N", 3, 0, "Line"},
          {"RFARTI", "C", 12, 0, "Article code"},
          {"RFQTY", "N", 10, 2, "Quantity"},
          {"RFPRICE", "N", 12, 2, "Price"}},
         {{"RIGH00", "STR(RFNUMBER,6)+STR(RFLINE,3)", ""}},
         {}},
        {"IVA",
         "FA",
         "1",
         true,
         "VAT rates",
         {{"IVCODE", "C", 2, 0, "VAT code"},
          {"IVDESC", "C", 30, 0, "Description"},
          {"IVRATE", "N", 5, 2, "Rate"}},
         {{"IVA00", "IVCODE", ""}},
         {{"22", "Ordinary rate", 22.0},
          {"10", "Reduced rate", 10.0},
          {"04", "Minimum rate", 4.0}}},
        {"PAGAMENT",
         "FA",
         "0",
         false,
         "Payment terms",
         {{"PGCODE", "C", 3, 0, "Payment code"},
          {"PGDESC", "C", 40, 0, "Description"},
          {"PGDAYS", "N", 3, 0, "Days"}},
         {{"PAGA00", "PGCODE", ""}},
         {}},
    };
    if (extra) {
        tables.push_back({"ORDPROD",
                          "PR",
                          "0",
                          false,
                          "Production orders",
                          {{"OPNUMBER", "N", 6, 0, "Order number"},
                           {"OPARTI", "C", 12, 0, "Article code"},
                           {"OPQTY", "N", 10, 2, "Quantity"},
                           {"OPDUE", "D", 8, 0, "Due date"}},
                          {{"ORDP00", "STR(OPNUMBER,6)", ""}},
                          {}});
        tables.push_back({"CICLI",
                          "PR",
                          "0",
                          false,
                          "Work cycles",
                          {{"CICODE", "C", 8, 0, "Cycle code"},
                           {"CIDESC", "C", 40, 0, "Description"},
                           {"CIMINUTES", "N", 5, 0, "Minutes"}},
                          {{"CICL00", "CICODE", ""}},
                          {}});
    }
    return tables;
}

void openDictionaryTable(engine::TTable& table, const fs::path& dir, const char* name) {
    table.SetDatabaseName(dir.string());
    table.SetTableName(name);
    table.SetTableType(engine::ttDBase);
    table.Exclusive = true;
    table.Open();
}

void set(engine::TTable& table, const char* field, const engine::Value& value) {
    table.FieldByName(field).SetValue(value);
}

void writeTableRows(engine::TTable& base, const SampleTable& table, engine::Date day) {
    base.Insert();
    set(base, "TMTIPO", "A");
    set(base, "TMSUFF", table.application);
    set(base, "TMNPFM", table.name);
    set(base, "TMDESC", table.description);
    set(base, "TMDATA", day);
    set(base, "TMBCAR", table.copyData);
    set(base, "TMTBAS", table.type);
    base.Post();
    int position = 0;
    for (const SampleField& field : table.fields) {
        base.Insert();
        set(base, "TMTIPO", "B");
        set(base, "TMNRIG", ++position);
        set(base, "TMNPFM", table.name);
        set(base, "TMTFLD", field.type);
        set(base, "TMNFLD", field.name);
        set(base, "TMDESC", field.description);
        set(base, "TMDATA", day);
        set(base, "TMSIZE", field.size);
        set(base, "TMDECS", field.decimals);
        set(base, "TMBCAR", false);
        base.Post();
    }
    for (const SampleIndex& index : table.indexes) {
        base.Insert();
        set(base, "TMTIPO", "C");
        set(base, "TMNPFM", table.name);
        set(base, "TMNFLD", index.tag);
        set(base, "TMDESC", index.key);
        set(base, "TMDCND", index.condition);
        set(base, "TMDATA", day);
        set(base, "TMSIZE", 1);
        set(base, "TMBCAR", false);
        base.Post();
    }
}

// A reference table of a "Copy data." table, laid out from its field rows.
void writeReferenceTable(const fs::path& dir, const SampleTable& table) {
    bool paradox = std::string(table.type) == "1";
    engine::TDatabase db;
    db.DatabaseName = "Demo";
    db.AliasName = dir.string();
    db.Open();
    engine::TableDescription description{table.name, paradox ? "PARADOX" : "DBASE", {}};
    int number = 0;
    for (const SampleField& field : table.fields) {
        engine::FieldDescriptor d;
        d.number = ++number;
        d.name = field.name;
        d.units1 = field.size;
        d.units2 = field.decimals;
        std::string code = field.type;
        if (code == "C")
            d.type = paradox ? 0x101 : 0x201;
        else if (code == "N")
            d.type = paradox ? 0x102 : 0x202;
        else if (code == "D")
            d.type = paradox ? 0x104 : 0x205;
        else
            d.type = paradox ? 0x10E : 0x204;
        description.fields.push_back(d);
    }
    db.CreateTable(description, true);
    engine::TTable data;
    data.SetDatabaseName(dir.string());
    data.SetTableName(table.name);
    data.SetTableType(paradox ? engine::ttParadox : engine::ttDBase);
    // Paradox tables get their code as primary key, as reference tables have.
    if (paradox)
        data.AddIndex("", table.fields.front().name, engine::ixPrimary);
    data.Open();
    for (const auto& row : table.referenceRows) {
        data.Insert();
        for (std::size_t i = 0; i < row.size(); ++i)
            data.Fields()[i]->SetValue(row[i]);
        data.Post();
    }
}

} // namespace

void writeSampleDictionary(const fs::path& dir, bool withExtraApplication) {
    fs::create_directories(dir);
    createDictionary(dir);
    engine::TTable prod;
    openDictionaryTable(prod, dir, "T_PROD");
    std::vector<SampleApplication> applications = Applications;
    if (withExtraApplication)
        applications.push_back(ExtraApplication);
    for (const SampleApplication& app : applications) {
        prod.Insert();
        set(prod, "TMDESC", app.name);
        set(prod, "TMNLIB", app.directory);
        set(prod, "TMNPGM", app.program);
        set(prod, "TMSUFF", app.code);
        set(prod, "TMBIST", false);
        prod.Post();
    }
    engine::TTable base;
    openDictionaryTable(base, dir, "T_BASE");
    engine::Date day = engine::Date::fromYmd(2026, 11, 20);
    for (const SampleTable& table : sampleTables(withExtraApplication))
        writeTableRows(base, table, day);
}

void makeDemoWorkspace(const fs::path& dir) {
    fs::create_directories(dir / "tables");
    writeSampleDictionary(dir / "system", false);
    writeSampleDictionary(dir / "floppy", true);
    fs::create_directories(dir / "floppy" / "ZET_BASE");
    for (const SampleTable& table : sampleTables(false))
        if (table.copyData)
            writeReferenceTable(dir / "floppy" / "ZET_BASE", table);
    fs::path absolute = fs::absolute(dir);
    std::string config = "[DBZET]\ndriver = DBASE\npath = " + (absolute / "tables").string() +
                         "\n\n[drives]\nA = " + (absolute / "floppy").string() + "\n";
    engine::writeFileAtomically(dir / "engine.conf", config);
}

} // namespace dictionary
