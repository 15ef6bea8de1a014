#include "engine/table/FieldDef.h"

#include "engine/base/Text.h"

namespace engine {

int findField(const FieldList& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsIgnoreCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

bool isBlobType(FieldType type) {
    switch (type) {
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::Ole:
    case FieldType::FormattedMemo:
    case FieldType::Graphic:
        return true;
    default:
        return false;
    }
}

const char* fieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::Character:
        return "Character";
    case FieldType::Numeric:
        return "Numeric";
    case FieldType::Float:
        return "Float";
    case FieldType::Date:
        return "Date";
    case FieldType::Logical:
        return "Logical";
    case FieldType::Memo:
        return "Memo";
    case FieldType::Binary:
        return "Binary";
    case FieldType::Ole:
        return "OLE";
    case FieldType::Double:
        return "Number";
    case FieldType::Short:
        return "Short";
    case FieldType::Long:
        return "Long";
    case FieldType::AutoInc:
        return "AutoInc";
    case FieldType::Currency:
        return "Currency";
    case FieldType::Time:
        return "Time";
    case FieldType::Timestamp:
        return "Timestamp";
    case FieldType::Bcd:
        return "BCD";
    case FieldType::Bytes:
        return "Bytes";
    case FieldType::FormattedMemo:
        return "FormattedMemo";
    case FieldType::Graphic:
        return "Graphic";
    }
    return "?";
}

} // namespace engine
