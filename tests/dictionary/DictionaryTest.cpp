#include "support/DictionaryRows.h"
#include "support/Process.h"
#include "support/Workspace.h"

#include "dictionary/DemoWorkspace.h"
#include "dictionary/Dm_Vadem.h"
#include "dictionary/Layouts.h"
#include "engine/base/EngineError.h"

#include <gtest/gtest.h>

namespace {

// Runs a Python snippet with the system's interpreter (it has dbfread);
// its output and errors.
std::string python(const std::string& code) {
    support::RunOptions options;
    options.errorsToOutput = true;
    return support::python(code, options).out;
}

// Runs a Perl snippet (XBase::Index reads MDX tags); its output and errors.
std::string perl(const std::string& code) {
    support::RunOptions options;
    options.errorsToOutput = true;
    return support::run({"perl", "-e", code}, options).out;
}

} // namespace

TEST(NewDictionary, LayoutsAndTagsAsOtherReadersSeeThem) {
    support::Workspace ws;
    dictionary::createDictionary(ws.system);

    std::string fields = python("import dbfread\n"
                                "for n in (\"T_BASE\", \"T_PROD\"):\n"
                                "  t = dbfread.DBF(\"" +
                                ws.system.string() +
                                "/\" + n + \".DBF\")\n"
                                "  print(n, len(t), \" \".join(\"%s:%s%d.%d\" % (f.name, f.type, "
                                "f.length, f.decimal_count) for f in t.fields))\n");
    EXPECT_EQ(fields, "T_BASE 0 TMTIPO:C1.0 TMSUFF:C2.0 TMNRIG:N4.0 TMNPFM:C10.0 TMTFLD:C1.0 "
                      "TMNFLD:C10.0 TMDESC:C75.0 TMDCND:C75.0 TMDATA:D8.0 TMSIZE:N4.0 "
                      "TMDECS:N4.0 TMBCAR:L1.0 TMTBAS:C1.0\n"
                      "T_PROD 0 TMDESC:C35.0 TMNLIB:C10.0 TMNPGM:C10.0 TMSUFF:C2.0 "
                      "TMDIST:D8.0 TMBIST:L1.0\n");

    std::string tags = perl("use XBase::Index; for my $f (\"T_BASE\", \"T_PROD\") { "
                            "my @t = XBase::mdx->new(\"" +
                            ws.system.string() + "/$f.MDX\")->tags; print \"@t\\n\"; }");
    EXPECT_EQ(tags, "BASE00 BASE01 BASE02 BASE03\nPROD00\n");

    // The numeric widths read back as 16-bit integers through the datasets.
    engine::TTable base;
    base.SetDatabaseName(ws.system.string());
    base.SetTableName("T_BASE");
    base.Open();
    for (const char* name : {"TMNRIG", "TMSIZE", "TMDECS"})
        EXPECT_EQ(base.FieldByName(name).DataType(), engine::ftSmallint) << name;
}

TEST(NewDictionary, TagOrdersServeTheEditorsLookups) {
    support::Workspace ws;
    dictionary::writeSampleDictionary(ws.system, false);
    engine::TTable base;
    base.SetDatabaseName(ws.system.string());
    base.SetTableName("T_BASE");
    base.SetFilter("[TMTIPO]='B'");
    base.SetFiltered(true);
    base.SetIndexName("BASE02");
    base.Open();
    base.SetRangeStart();
    base.FieldByName("TMNPFM").SetAsString("ARTICOLI");
    base.SetRangeEnd();
    base.FieldByName("TMNPFM").SetAsString("ARTICOLI");
    base.FieldByName("TMNRIG").SetAsInteger(999);
    base.ApplyRange();
    std::vector<std::int64_t> positions;
    for (; !base.Eof(); base.Next())
        positions.push_back(base.FieldByName("TMNRIG").AsInteger());
    EXPECT_EQ(positions, (std::vector<std::int64_t>{1, 2, 3, 4, 5}));

    // BASE03 walks the base tables by name.
    base.CancelRange();
    base.Close();
    base.SetFilter("[TMTIPO]='A'");
    base.SetIndexName("BASE03");
    base.Open();
    std::vector<std::string> names;
    for (; !base.Eof(); base.Next())
        names.push_back(base.FieldByName("TMNPFM").AsString());
    EXPECT_EQ(names.size(), 11u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST(DataModule, SettingsDictionaryPathAndConnection) {
    support::Workspace ws;
    setenv("SCHEDAX_SYSTEM_DIR", (ws.system.string() + "/").c_str(), 1);
    TDm_Vadem module;
    EXPECT_EQ(module.DictPath, ws.system.string());
    EXPECT_TRUE(module.tmDBase.Connected());
    EXPECT_EQ(module.tmDBase.WorkingDirectory(), ws.tables.string() + "/");
    for (engine::TTable* table :
         {&module.Base, &module.Field, &module.Index, &module.DbFld, &module.Prod}) {
        EXPECT_EQ(table->DatabaseName(), ws.system.string()) << table->Name;
        EXPECT_FALSE(table->Active()) << table->Name;
    }
    EXPECT_EQ(module.QryGen.DatabaseName, ws.system.string());
    EXPECT_EQ(module.Base.Filter(), "[TMTIPO]='A'");
    EXPECT_EQ(module.Base.IndexName(), "BASE00");
    EXPECT_EQ(module.Field.IndexName(), "BASE01");
    EXPECT_EQ(module.Index.Filter(), "[TMTIPO]='C'");
    EXPECT_EQ(module.DbFld.IndexName(), "BASE02");
    EXPECT_EQ(module.Prod.IndexName(), "PROD00");
    EXPECT_EQ(module.tmTable.DatabaseName(), "DBZET");
    EXPECT_TRUE(module.tmTable.Exclusive && module.tmDmmys.Exclusive);
    EXPECT_EQ(module.tmMoves.Source, &module.tmDmmys);
    EXPECT_EQ(module.tmCopy.Destination, &module.tmDst);
    EXPECT_FALSE(module.tmMoves.AbortOnProblem);
    EXPECT_FALSE(module.Src_Prod.Enabled());
    EXPECT_TRUE(module.Src_Base.Enabled());
    EXPECT_FALSE(module.Src_Base.AutoEdit);
}

TEST(DataModule, MissingAliasStopsTheModule) {
    support::Workspace ws;
    ws.writeConfig(false);
    try {
        TDm_Vadem module;
        FAIL() << "the module loaded without the alias";
    } catch (const engine::EngineError& error) {
        EXPECT_EQ(error.code(), engine::code::AliasNotFound);
        EXPECT_NE(std::string(error.what()).find("DBZET"), std::string::npos);
    }
}

TEST(DataModule, ListingKeyJoinsApplicationAndTableName) {
    support::Workspace ws;
    dictionary::createDictionary(ws.system);
    auto row = [](const char* kind, const char* app, const char* table, int position) {
        support::BaseRow r;
        r.kind = kind;
        r.table = table;
        r.application = app;
        r.number = position;
        r.description = std::string("About ") + table;
        return r;
    };
    support::addRows(ws.system, {row("A", "SA", "ORDERS7", 0), row("B", "", "ORDERS7", 1),
                                 row("A", "", "NOAPP", 0), row("B", "", "NOAPP", 1),
                                 row("B", "", "ORPHAN", 1)});
    TDm_Vadem module;
    module.Base.Open();
    module.DbFld.Open();
    std::vector<std::string> keys, applications, descriptions;
    for (; !module.DbFld.Eof(); module.DbFld.Next()) {
        keys.push_back(module.DbFldJMP1->AsString());
        applications.push_back(module.DbFldSUFF->AsString());
        descriptions.push_back(module.DbFldDPFM->AsString());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"NOAPP", "SAORDERS7", "ORPHAN"}));
    EXPECT_EQ(keys[1].size(), 9u);
    EXPECT_EQ(applications, (std::vector<std::string>{"", "SA", ""}));
    EXPECT_EQ(descriptions, (std::vector<std::string>{"About NOAPP", "About ORDERS7", ""}));
}

TEST(DemoWorkspace, HoldsWhatTheToolsNeed) {
    support::Workspace ws;
    dictionary::makeDemoWorkspace(ws.root.path());
    std::string summary =
        python("import dbfread\n"
               "root = \"" +
               ws.root.path().string() +
               "\"\n"
               "for d in (\"system\", \"floppy\"):\n"
               "  rows = list(dbfread.DBF(root + \"/\" + d + \"/T_BASE.DBF\"))\n"
               "  a = [r for r in rows if r[\"TMTIPO\"] == \"A\"]\n"
               "  print(d, len(list(dbfread.DBF(root + \"/\" + d + \"/T_PROD.DBF\"))), len(a),\n"
               "        sorted(set(r[\"TMTBAS\"] for r in a)), sum(r[\"TMBCAR\"] for r in a),\n"
               "        len([r for r in rows if r[\"TMTIPO\"] == \"C\"]) > 0)\n"
               "print(len(list(dbfread.DBF(root + \"/floppy/ZET_BASE/CAUSALI.DBF\"))))\n");
    EXPECT_EQ(summary, "system 3 11 ['0', '1'] 4 True\nfloppy 4 13 ['0', '1'] 4 True\n3\n");
    EXPECT_TRUE(std::filesystem::exists(ws.root / "floppy" / "ZET_BASE" / "IVA.DB"));
    TDm_Vadem module; // the configuration's alias points at the tables
    EXPECT_EQ(module.tmDBase.WorkingDirectory(), (ws.root / "tables").string() + "/");
}
