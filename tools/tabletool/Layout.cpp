#include "Layout.h"

#include "Arguments.h"

#include <charconv>
#include <sstream>

namespace tabletool {

using engine::FieldType;
using engine::TableKind;

namespace {

struct TypeLetter {
    const char* letter;
    FieldType type;
    int sizes; // numbers that follow: 0 none, 1 length, 2 length and decimals
    bool sizeRequired;
};

// dBase: C n, N n [d], F n [d], D, L, M, B, G.
const TypeLetter kDbase[] = {
    {"C", FieldType::Character, 1, true}, {"N", FieldType::Numeric, 2, true},
    {"F", FieldType::Float, 2, true},     {"D", FieldType::Date, 0, false},
    {"L", FieldType::Logical, 0, false},  {"M", FieldType::Memo, 0, false},
    {"B", FieldType::Binary, 0, false},   {"G", FieldType::Ole, 0, false},
};

const TypeLetter kParadox[] = {
    {"A", FieldType::Character, 1, true},  {"N", FieldType::Double, 0, false},
    {"D", FieldType::Date, 0, false},      {"L", FieldType::Logical, 0, false},
    {"M", FieldType::Memo, 1, true},       {"O", FieldType::Ole, 1, false},
    {"B", FieldType::Binary, 1, false},    {"S", FieldType::Short, 0, false},
    {"I", FieldType::Long, 0, false},      {"$", FieldType::Currency, 0, false},
    {"+", FieldType::AutoInc, 0, false},   {"T", FieldType::Time, 0, false},
    {"@", FieldType::Timestamp, 0, false}, {"F", FieldType::FormattedMemo, 1, false},
    {"G", FieldType::Graphic, 1, false},   {"#", FieldType::Bcd, 1, false},
    {"Y", FieldType::Bytes, 1, true},
};

template <std::size_t N>
const TypeLetter* lookup(const TypeLetter (&table)[N], const std::string& letter) {
    for (const TypeLetter& t : table)
        if (letter == t.letter)
            return &t;
    return nullptr;
}

template <std::size_t N> std::string letterIn(const TypeLetter (&table)[N], FieldType type) {
    for (const TypeLetter& t : table)
        if (t.type == type)
            return t.letter;
    return "?";
}

int number(const std::string& word, const std::string& item) {
    int n = 0;
    auto r = std::from_chars(word.data(), word.data() + word.size(), n);
    if (r.ec != std::errc() || r.ptr != word.data() + word.size() || n < 0)
        throw UsageError("\"" + item + "\": \"" + word + "\" is not a size");
    return n;
}

std::string trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace

TableLayout parseLayout(const std::string& text, TableKind kind) {
    TableLayout layout;
    std::stringstream items(text);
    std::string item;
    bool keysEnded = false;
    while (std::getline(items, item, ',')) {
        item = trimmed(item);
        std::istringstream in(item);
        std::vector<std::string> words;
        for (std::string w; in >> w;)
            words.push_back(w);
        if (words.size() < 2)
            throw UsageError("\"" + item + "\" needs a field name and a type");
        engine::FieldDef field;
        field.name = words[0];
        bool key = !field.name.empty() && field.name[0] == '*';
        if (key) {
            if (kind != TableKind::Paradox)
                throw UsageError("\"" + item + "\": key fields ('*') are for Paradox tables");
            if (keysEnded)
                throw UsageError("\"" + item + "\": key fields must come first");
            field.name.erase(0, 1);
            layout.keyFields.push_back(field.name);
        } else {
            keysEnded = true;
        }
        const TypeLetter* type =
            kind == TableKind::Paradox ? lookup(kParadox, words[1]) : lookup(kDbase, words[1]);
        if (!type)
            throw UsageError("\"" + item + "\": unknown field type \"" + words[1] + "\"");
        std::size_t sizes = words.size() - 2;
        if (sizes > static_cast<std::size_t>(type->sizes) || (type->sizeRequired && sizes == 0))
            throw UsageError("\"" + item + "\": type " + words[1] +
                             (type->sizes == 0   ? " takes no size"
                              : type->sizes == 1 ? " takes one size"
                                                 : " takes a width and optional decimals"));
        field.type = type->type;
        // The one size of a BCD field is its number of decimals.
        if (sizes >= 1)
            (field.type == FieldType::Bcd ? field.decimals : field.length) = number(words[2], item);
        if (sizes == 2)
            field.decimals = number(words[3], item);
        layout.fields.push_back(field);
    }
    if (layout.fields.empty())
        throw UsageError("the layout names no fields");
    return layout;
}

std::string typeLetter(FieldType type, TableKind kind) {
    return kind == TableKind::Paradox ? letterIn(kParadox, type) : letterIn(kDbase, type);
}

} // namespace tabletool
