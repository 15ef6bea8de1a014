#pragma once

// Rows written straight into a dictionary (T_BASE and T_PROD in a system
// folder), before a window or a program reads them. A column left empty
// here stays empty in the file.

#include "engine/values/Date.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace support {

// One row of T_BASE: a base table ("A"), one of its fields ("B") or tags ("C").
struct BaseRow {
    std::string kind;                       // TMTIPO
    std::string table;                      // TMNPFM
    std::optional<std::string> name;        // TMNFLD: the field's or the tag's name
    std::optional<std::string> description; // TMDESC; a tag's key expression
    std::optional<std::string> type;        // TMTFLD: the field's type letter
    std::optional<std::string> condition;   // TMDCND: a tag's condition
    std::optional<std::string> application; // TMSUFF
    std::optional<std::string> tableType;   // TMTBAS: "0" dBase, "1" Paradox
    std::optional<int> number;              // TMNRIG: the field's position
    std::optional<int> size;                // TMSIZE; a tag's key count
    std::optional<int> decimals;            // TMDECS
    std::optional<engine::Date> date;       // TMDATA
    std::optional<bool> copyData;           // TMBCAR
};

// The usual rows, as the editors store them; change a column before adding.
// A base table of dBase type whose data is not copied.
BaseRow tableRow(const std::string& name, const std::string& description,
                 const std::string& application = "");
// A field; its data not copied.
BaseRow fieldRow(const std::string& table, int number, const std::string& name,
                 const std::string& description, const std::string& type, int size);
// A tag on `key`; its data not copied.
BaseRow tagRow(const std::string& table, const std::string& name, const std::string& key,
               int keys = 1);

// One row of T_PROD: an application.
struct ApplicationRow {
    std::string code;                        // TMSUFF
    std::string name;                        // TMDESC
    std::optional<bool> installed;           // TMBIST
    std::optional<engine::Date> installedOn; // TMDIST
};

// Appends rows to the dictionary in `system`.
void addRows(const std::filesystem::path& system, const std::vector<BaseRow>& rows);
void addRow(const std::filesystem::path& system, const BaseRow& row);
void addRow(const std::filesystem::path& system, const ApplicationRow& row);

} // namespace support
