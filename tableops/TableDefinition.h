#pragma once

#include "engine/table/FieldDef.h"
#include "engine/table/TableFile.h"

#include <string>
#include <vector>

class TDm_Vadem;

namespace operations {

// One field row of a base table in the dictionary, as stored.
struct FieldRow {
    std::string name;   // TMNFLD
    std::string letter; // TMTFLD: "C", "N", "D", "L", "M", "O"
    int size = 0;       // TMSIZE
    int decimals = 0;   // TMDECS
};

// One index row: tag name, key (dBase expression, Paradox "F1;F2"), FOR
// condition (dBase) and the first key-field number (dBase descriptor).
struct IndexRow {
    std::string name;
    std::string key;
    std::string condition;
    int firstKeyField = 0;
};

// The dictionary rows of one base table that the builder reads: the field
// rows numbered up to 999 in TMNRIG order, the index rows named up to "zzz"
// in TMNFLD order.
struct TableDefinition {
    std::string table;
    std::vector<FieldRow> fields;
    std::vector<IndexRow> indexes;
};

// Reads the rows of `table` through the data module's DbFld and Index, with
// the ranges the builder applies (they stay applied).
TableDefinition readDefinition(TDm_Vadem& dataModule, const std::string& table);

// The indexes as the builder adds them to a table of `tableKind` (0 dBase,
// 1 Paradox): for Paradox the first row is the primary key, the others
// case-insensitive; for dBase a condition makes a subset tag.
std::vector<engine::IndexDef> indexDefinitions(const std::vector<IndexRow>& rows, int tableKind);

} // namespace operations
