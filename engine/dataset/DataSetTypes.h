#pragma once

namespace engine {

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields };

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftAutoInc,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBoolean,
    ftMemo,
    ftBlob,
};

enum TFieldKind { fkData, fkCalculated, fkLookup };

enum TTableType { ttDefault, ttDBase, ttParadox };

} // namespace engine
