#pragma once

#include "engine/table/FieldDef.h"
#include "engine/table/TableFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dictionary {

// The record layout of T_BASE: base-table, field and index rows. The widths
// of TMNRIG, TMSIZE and TMDECS (N 4 0) read back as 16-bit integers.
engine::FieldList baseLayout();
// The tags of T_BASE.MDX: BASE00 table name, BASE01 table and field name,
// BASE02 table and field position, BASE03 row kind and table name (the
// base-table editor's order: base tables by name).
std::vector<engine::IndexDef> baseTags();

// The record layout of T_PROD: one row per application; its tag PROD00 is
// the application code.
engine::FieldList prodLayout();
std::vector<engine::IndexDef> prodTags();

// Creates an empty dictionary in `dir`: T_BASE and T_PROD with their MDX
// files, replacing any there.
void createDictionary(const std::filesystem::path& dir);

// What keeps a table of `layout` from serving as the dictionary table of
// layout `expected`, or "" when it can: the same field names with the same
// types, in any order and of any widths (other engines write the dictionary
// with their own widths); valueProblem() checks that its values fit.
std::string layoutProblem(const engine::FieldList& layout, const engine::FieldList& expected);

// A record of a table that layoutProblem() accepted, its values carried by
// field name into the layout `expected`.
engine::Record inLayout(const engine::FieldList& layout, const engine::Record& record,
                        const engine::FieldList& expected);

// What keeps a record of layout `expected` (see inLayout) from being stored
// as it is in that layout, or "": a text longer than its field, a number
// that needs more digits or decimals than its field has.
std::string valueProblem(const engine::FieldList& expected, const engine::Record& record);

} // namespace dictionary
