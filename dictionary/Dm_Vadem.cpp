#include "dictionary/Dm_Vadem.h"

#include "engine/config/EngineConfig.h"

TDm_Vadem* Dm_Vadem = nullptr;

namespace dictionary {

std::string dictionaryPath() {
    std::string path = engine::systemDirectory().string();
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

} // namespace dictionary

namespace {

void workTable(engine::TTable& table, const char* name) {
    table.Name = name;
    table.SetDatabaseName("DBZET");
    table.SetTableType(engine::ttDBase);
    table.Exclusive = true;
}

void dictionaryTable(engine::TTable& table, const char* name, const char* file, const char* filter,
                     const char* index) {
    table.Name = name;
    table.SetTableName(file);
    table.SetTableType(engine::ttDBase);
    table.SetFilter(filter);
    table.SetFiltered(*filter != 0);
    table.SetIndexName(index);
}

} // namespace

TDm_Vadem::TDm_Vadem() {
    loadComponents();
    Dm_VademCreate();
}

void TDm_Vadem::loadComponents() {
    // The connection comes first: a missing alias stops the module here.
    tmDBase.DatabaseName = "Create";
    tmDBase.AliasName = "DBZET";
    tmDBase.SessionName = "Default";
    tmDBase.Open();

    workTable(tmTable, "tmTable");
    workTable(tmDmmys, "tmDmmys");
    tmMoves.Source = &tmDmmys;
    tmMoves.Destination = &tmTable;
    tmMoves.Mode = engine::batAppend;
    tmMoves.AbortOnProblem = false;

    tmSrc.Name = "tmSrc";
    tmSrc.SetTableType(engine::ttDBase);
    tmDst.Name = "tmDst";
    tmDst.SetDatabaseName("DBZET");
    tmDst.SetTableType(engine::ttDBase);
    tmCopy.Source = &tmSrc;
    tmCopy.Destination = &tmDst;
    tmCopy.Mode = engine::batAppend;
    tmCopy.AbortOnProblem = false;

    dictionaryTable(Base, "Base", "T_BASE", "[TMTIPO]='A'", "BASE00");
    dictionaryTable(Field, "Field", "T_BASE", "[TMTIPO]='B'", "BASE01");
    dictionaryTable(Index, "Index", "T_BASE", "[TMTIPO]='C'", "BASE01");
    dictionaryTable(DbFld, "DbFld", "T_BASE", "[TMTIPO]='B'", "BASE02");
    dictionaryTable(Prod, "Prod", "T_PROD", "", "PROD00");
    QryGen.Name = "QryGen";

    using namespace engine;
    DbFldTMTIPO = &DbFld.AddField("TMTIPO", ftString, 1);
    DbFldTMSUFF = &DbFld.AddField("TMSUFF", ftString, 2);
    DbFldTMNRIG = &DbFld.AddField("TMNRIG", ftSmallint, 0);
    DbFldTMNPFM = &DbFld.AddField("TMNPFM", ftString, 10);
    DbFldTMTFLD = &DbFld.AddField("TMTFLD", ftString, 1);
    DbFldTMNFLD = &DbFld.AddField("TMNFLD", ftString, 10);
    DbFldTMDESC = &DbFld.AddField("TMDESC", ftString, 75);
    DbFldTMDCND = &DbFld.AddField("TMDCND", ftString, 75);
    DbFldTMDATA = &DbFld.AddField("TMDATA", ftDate, 0);
    DbFldTMSIZE = &DbFld.AddField("TMSIZE", ftSmallint, 0);
    DbFldTMDECS = &DbFld.AddField("TMDECS", ftSmallint, 0);
    DbFldTMBCAR = &DbFld.AddField("TMBCAR", ftBoolean, 0);
    auto lookup = [&](const char* name, int size, const char* result) {
        TField& field = DbFld.AddField(name, ftString, size, fkLookup);
        field.LookupDataSet = &Base;
        field.KeyFields = "TMNPFM";
        field.LookupKeyFields = "TMNPFM";
        field.LookupResultField = result;
        return &field;
    };
    DbFldSUFF = lookup("SUFF", 2, "TMSUFF");
    DbFldNPFM = lookup("NPFM", 15, "TMNPFM");
    DbFldDPFM = lookup("DPFM", 60, "TMDESC");
    DbFldDPFM->DisplayWidth = 60;
    DbFldJMP1 = &DbFld.AddField("JMP1", ftString, 15, fkCalculated);
    DbFld.OnCalcFields = [this](TDataSet& dataSet) { DbFldCalcFields(dataSet); };

    Src_Base.SetDataSet(&Base);
    Src_Field.SetDataSet(&Field);
    Src_Index.SetDataSet(&Index);
    Src_DbFld.SetDataSet(&DbFld);
    Src_QryGen.SetDataSet(&QryGen);
    Src_Prod.SetDataSet(&Prod);
    for (TDataSource* source :
         {&Src_Base, &Src_Field, &Src_Index, &Src_DbFld, &Src_QryGen, &Src_Prod})
        source->AutoEdit = false;
    Src_Prod.SetEnabled(false);
    DictionaryDataSets = {&Base, &Field, &Index, &DbFld, &Prod, &QryGen};
}

void TDm_Vadem::Dm_VademCreate() {
    DictPath = dictionary::dictionaryPath();
    Base.SetDatabaseName(DictPath);
    Field.SetDatabaseName(DictPath);
    QryGen.DatabaseName = DictPath;
    Index.SetDatabaseName(DictPath);
    DbFld.SetDatabaseName(DictPath);
    Prod.SetDatabaseName(DictPath);
}

void TDm_Vadem::DbFldCalcFields(engine::TDataSet&) {
    DbFldJMP1->SetAsString(DbFldSUFF->AsString() + DbFldTMNPFM->AsString());
}

void TDm_Vadem::ResetDictionaryWindows() {
    for (const auto& reset : DictionaryWindowResets)
        reset();
}
