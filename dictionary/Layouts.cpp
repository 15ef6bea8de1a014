#include "dictionary/Layouts.h"

#include "engine/Tables.h"
#include "engine/Text.h"

namespace dictionary {

using engine::FieldType;

engine::FieldList baseLayout() {
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

std::vector<engine::IndexDef> baseTags() {
    return {
        {"BASE00", "TMNPFM", "", false, false, false, false},
        {"BASE01", "TMNPFM+TMNFLD", "", false, false, false, false},
        {"BASE02", "TMNPFM+STR(TMNRIG,4)", "", false, false, false, false},
        {"BASE03", "TMTIPO+TMNPFM", "", false, false, false, false},
    };
}

engine::FieldList prodLayout() {
    return {
        {"TMDESC", FieldType::Character, 35, 0}, {"TMNLIB", FieldType::Character, 10, 0},
        {"TMNPGM", FieldType::Character, 10, 0}, {"TMSUFF", FieldType::Character, 2, 0},
        {"TMDIST", FieldType::Date, 8, 0},       {"TMBIST", FieldType::Logical, 1, 0},
    };
}

std::vector<engine::IndexDef> prodTags() {
    return {{"PROD00", "TMSUFF", "", false, false, false, false}};
}

void createDictionary(const std::filesystem::path& dir) {
    auto build = [&](const char* file, const engine::FieldList& layout,
                     const std::vector<engine::IndexDef>& tags) {
        auto table = engine::createTable(dir / file, layout, true);
        for (const engine::IndexDef& tag : tags)
            table->addIndex(tag);
    };
    build("T_BASE.DBF", baseLayout(), baseTags());
    build("T_PROD.DBF", prodLayout(), prodTags());
}

namespace {

// The dBase letter and size of the field types a dictionary table has.
std::string typeText(const engine::FieldDef& field) {
    const char* letter = field.type == FieldType::Character ? "C"
                         : field.type == FieldType::Numeric ? "N"
                         : field.type == FieldType::Date    ? "D"
                         : field.type == FieldType::Logical ? "L"
                                                            : "?";
    return letter + (" " + std::to_string(field.length)) +
           (field.decimals ? " " + std::to_string(field.decimals) : "");
}

} // namespace

std::string layoutProblem(const engine::FieldList& layout, const engine::FieldList& expected) {
    if (layout.size() != expected.size())
        return "it has " + std::to_string(layout.size()) + " fields, the dictionary table has " +
               std::to_string(expected.size());
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const engine::FieldDef& a = layout[i];
        const engine::FieldDef& b = expected[i];
        bool numeric = b.type == FieldType::Numeric;
        bool sameType = engine::equalsIgnoreCase(a.name, b.name) && a.type == b.type;
        bool sameSize = numeric ? a.decimals == 0 : a.length == b.length;
        if (!sameType || !sameSize)
            return "field " + std::to_string(i + 1) + " is " + a.name + " " + typeText(a) +
                   " where the dictionary has " + b.name + " " + typeText(b);
    }
    return {};
}

std::string valueProblem(const engine::FieldList& layout, const engine::Record& record) {
    for (std::size_t i = 0; i < layout.size() && i < record.size(); ++i) {
        const engine::Value& value = record[i];
        if (layout[i].type != FieldType::Numeric || value.isNull())
            continue;
        double number = value.asDouble();
        if (number != static_cast<double>(static_cast<long long>(number)) || number < -32768 ||
            number > 32767)
            return layout[i].name + " holds " + std::to_string(static_cast<long long>(number)) +
                   ", which is not a 16-bit whole number";
    }
    return {};
}

} // namespace dictionary
