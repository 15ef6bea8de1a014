#include "dictionary/Layouts.h"

#include "engine/base/Text.h"
#include "engine/drivers/Tables.h"
#include "engine/values/NumberText.h"

#include <optional>

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
    for (const engine::FieldDef& field : expected) {
        int at = engine::findField(layout, field.name);
        if (at < 0)
            return "it has no field " + field.name;
        if (layout[at].type != field.type)
            return "its field " + layout[at].name + " is " + typeText(layout[at]) +
                   " where the dictionary has " + field.name + " " + typeText(field);
    }
    for (const engine::FieldDef& field : layout)
        if (engine::findField(expected, field.name) < 0)
            return "it has a field " + field.name + " that the dictionary table does not have";
    return {};
}

engine::Record inLayout(const engine::FieldList& layout, const engine::Record& record,
                        const engine::FieldList& expected) {
    engine::Record carried;
    for (const engine::FieldDef& field : expected)
        carried.push_back(record.at(engine::findField(layout, field.name)));
    return carried;
}

std::string valueProblem(const engine::FieldList& expected, const engine::Record& record) {
    for (std::size_t i = 0; i < expected.size() && i < record.size(); ++i) {
        const engine::FieldDef& field = expected[i];
        const engine::Value& value = record[i];
        if (value.isNull())
            continue;
        // Every character of the dictionary's code page is one byte.
        if (field.type == FieldType::Character && value.isText() &&
            engine::utf8Length(value.text()) > static_cast<std::size_t>(field.length))
            return field.name + " holds \"" + value.text() + "\", which does not fit " +
                   typeText(field);
        if (field.type != FieldType::Numeric || !(value.isNumber() || value.isInteger()))
            continue;
        std::optional<engine::Decimal> exact = value.isDecimal() ? value.decimal()
                                               : value.isInteger()
                                                   ? engine::decimalOf(value.integer())
                                                   : engine::decimalOf(value.number());
        if (!exact)
            return field.name + " holds a value that is not a number";
        bool inexact = false;
        engine::Decimal stored = engine::roundDecimal(*exact, field.decimals, &inexact);
        if (inexact || engine::formatDecimal(stored, field.decimals).size() >
                           static_cast<std::size_t>(field.length))
            return field.name + " holds " + engine::formatDecimal(*exact, -1) +
                   ", which does not fit " + typeText(field);
    }
    return {};
}

} // namespace dictionary
