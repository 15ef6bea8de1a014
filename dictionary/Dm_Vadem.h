#pragma once

#include "engine/dataset/BatchMove.h"
#include "engine/dataset/DataSource.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/Table.h"
#include "engine/sql/Query.h"

#include <functional>
#include <string>
#include <vector>

// The data module: the datasets over the dictionary tables T_BASE and T_PROD
// that the windows share, and the work datasets of the table builder, the
// table copier and the restore. One instance, Dm_Vadem, for the whole run.
class TDm_Vadem {
public:
    // Connects tmDBase to the alias "DBZET" (an engine error when it cannot)
    // and points the dictionary datasets at DictPath. Opens no table.
    TDm_Vadem();
    TDm_Vadem(const TDm_Vadem&) = delete;
    TDm_Vadem& operator=(const TDm_Vadem&) = delete;

    // The dictionary directory (the system directory), without a trailing
    // separator.
    std::string DictPath;

    engine::TDatabase tmDBase;
    engine::TTable tmTable;
    engine::TTable tmDmmys;
    engine::TBatchMove tmMoves;
    engine::TTable tmSrc;
    engine::TTable tmDst;
    engine::TBatchMove tmCopy;

    engine::TTable Base;
    engine::TTable Field;
    engine::TTable Index;
    engine::TTable DbFld;
    engine::TTable Prod;
    engine::TQuery QryGen;

    engine::TDataSource Src_Base;
    engine::TDataSource Src_Field;
    engine::TDataSource Src_Index;
    engine::TDataSource Src_DbFld;
    engine::TDataSource Src_QryGen;
    engine::TDataSource Src_Prod;

    // Every dataset of the program over T_BASE or T_PROD: the restore closes
    // them before it replaces the files. Windows add their own here.
    std::vector<engine::TDataSet*> DictionaryDataSets;
    // How each window over the dictionary starts again as on its first
    // showing (its ranges, next numbers and pages). The restore runs them,
    // through ResetDictionaryWindows, once it has closed DictionaryDataSets:
    // nothing a window kept of the old dictionary outlives it.
    std::vector<std::function<void()>> DictionaryWindowResets;
    void ResetDictionaryWindows();

    // The persistent and derived fields of DbFld.
    engine::TField* DbFldTMTIPO;
    engine::TField* DbFldTMSUFF;
    engine::TField* DbFldTMNRIG;
    engine::TField* DbFldTMNPFM;
    engine::TField* DbFldTMTFLD;
    engine::TField* DbFldTMNFLD;
    engine::TField* DbFldTMDESC;
    engine::TField* DbFldTMDCND;
    engine::TField* DbFldTMDATA;
    engine::TField* DbFldTMSIZE;
    engine::TField* DbFldTMDECS;
    engine::TField* DbFldTMBCAR;
    engine::TField* DbFldSUFF;
    engine::TField* DbFldNPFM;
    engine::TField* DbFldDPFM;
    engine::TField* DbFldJMP1;

    // OnCalcFields of DbFld: JMP1 is the table's application code followed
    // directly by the table name.
    void DbFldCalcFields(engine::TDataSet& dataSet);

private:
    void loadComponents();
    void Dm_VademCreate();
};

extern TDm_Vadem* Dm_Vadem;

namespace dictionary {
// The dictionary directory: the system directory without a trailing separator.
std::string dictionaryPath();
} // namespace dictionary
