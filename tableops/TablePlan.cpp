#include "tableops/TablePlan.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/Database.h"
#include "engine/dataset/KeyCheck.h"
#include "engine/dataset/ValueConversion.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FileNames.h"
#include "tableops/TableCopy.h"

#include <algorithm>
#include <optional>

namespace operations {

namespace fs = std::filesystem;

namespace {

const std::string SavedPrefix = "$$";

engine::TableKind engineKind(int tableKind) {
    return tableKind == 1 ? engine::TableKind::Paradox : engine::TableKind::DBase;
}

// Where a dataset of the data module finds `table`: the reference disk's
// (tmSrc) or the installation's (tmDst) directory.
fs::path tablePathOn(engine::TTable& dataset, const std::string& table, const TableType& type) {
    dataset.Close();
    dataset.SetTableName(table);
    dataset.SetTableType(type.TableKind == 1 ? engine::ttParadox : engine::ttDBase);
    return dataset.TablePath();
}

TableType typeOfKind(int tableKind) {
    TableType type;
    type.setFromCode(tableKind == 1 ? "1" : "0");
    return type;
}

bool knownCode(const std::string& code) {
    return !code.empty() && (code[0] == '0' || code[0] == '1');
}

void refuse(TablePlan& plan, const std::string& subject, const std::string& reason) {
    plan.refusals.push_back({plan.table, subject, reason});
}

// The new table's fields by the engine's create rules; every field and
// table problem is a refusal.
void planFields(const TableDefinition& definition, TablePlan& plan) {
    engine::TableKind kind = engineKind(plan.type.TableKind);
    bool complete = true;
    for (const FieldRow& row : definition.fields) {
        engine::FieldDescriptor descriptor;
        descriptor.number = static_cast<int>(plan.fields.size()) + 1;
        descriptor.name = row.name;
        descriptor.type = fieldTypeCode(row.letter, plan.type.TableKind);
        descriptor.units1 = row.size;
        descriptor.units2 = row.decimals;
        if (descriptor.type == 0) {
            refuse(plan, row.name,
                   "field " + row.name + " has type \"" + row.letter +
                       "\", which is none of C, N, D, L, M, O");
            complete = false;
            continue;
        }
        plan.fields.push_back(engine::TDatabase::fieldDefOf(descriptor, kind));
    }
    if (definition.fields.size() > static_cast<std::size_t>(engine::MaxTableFields))
        refuse(plan, "",
               "has " + std::to_string(definition.fields.size()) +
                   " field rows; a table holds at most " + std::to_string(engine::MaxTableFields) +
                   " fields");
    for (const engine::DefinitionProblem& problem : engine::checkFields(kind, plan.fields))
        refuse(plan, problem.subject, problem.text);
    if (!complete || !plan.refusals.empty())
        return;
    plan.indexes = indexDefinitions(definition.indexes, plan.type.TableKind);
    for (const engine::DefinitionProblem& problem :
         engine::checkIndexes(kind, plan.fields, plan.indexes))
        refuse(plan, problem.subject, problem.text);
}

std::uint64_t liveRows(engine::TableFile& table) {
    if (!table.stableRowIds())
        return table.rowCount(); // Paradox keeps no deleted rows
    std::uint64_t rows = 0;
    for (engine::RowId id = 1; id <= table.rowCount(); ++id)
        rows += !table.isDeleted(id);
    return rows;
}

// Where the rows of the table come from, if anywhere: the table itself, the
// saved table of an update that stopped after its rename, or the table in
// the other format.
void findSource(TablePlan& plan, const fs::path& workDir) {
    const std::string file = plan.table + plan.type.FileExt;
    const fs::path table = workDir / file;
    const fs::path saved = workDir / (SavedPrefix + file);
    TableType other = typeOfKind(1 - plan.type.TableKind);
    const fs::path otherTable = workDir / (plan.table + other.FileExt);
    plan.sourceType = plan.type;
    if (engine::tableExists(saved) && engine::tableExists(table)) {
        auto rows = [](const fs::path& path) {
            try {
                return groupedCount(liveRows(*engine::openTable(path, {false, true}))) + " rows";
            } catch (const engine::EngineError& error) {
                return std::string("unreadable: ") + error.what();
            }
        };
        refuse(plan, "",
               "the saved table " + saved.string() +
                   " of an interrupted update holds the rows "
                   "as they were before that update (" +
                   rows(saved) + "); " + table.string() + " beside it (" + rows(table) +
                   ") is the table that update was building. Neither is changed while both are "
                   "there: keep the saved table, and move it back over the other once that one "
                   "is no longer needed");
    } else if (engine::tableExists(saved)) {
        plan.action = TablePlan::Finish;
        plan.source = saved;
    } else if (engine::tableExists(table)) {
        plan.action = TablePlan::Rebuild;
        plan.source = table;
    } else if (engine::tableExists(otherTable)) {
        plan.action = TablePlan::CarryOver;
        plan.source = otherTable;
        plan.sourceType = other;
    }
}

bool holdsSomething(const engine::Value& value) {
    if (value.isNull())
        return false;
    if (value.isText())
        return !engine::trimRight(value.text()).empty();
    if (value.isBlob())
        return !value.blob().bytes.empty();
    return true;
}

} // namespace

bool TablePlan::refusesRows() const {
    return std::any_of(losses.begin(), losses.end(),
                       [](const ValueLoss& loss) { return loss.kind == ValueLoss::Refused; });
}

bool RunPlan::refused() const {
    return std::any_of(tables.begin(), tables.end(),
                       [](const TablePlan& t) { return !t.refusals.empty(); });
}

bool RunPlan::losesValues() const {
    return std::any_of(tables.begin(), tables.end(),
                       [](const TablePlan& t) { return t.losesValues(); });
}

std::vector<Refusal> RunPlan::refusals() const {
    std::vector<Refusal> all;
    for (const TablePlan& table : tables)
        all.insert(all.end(), table.refusals.begin(), table.refusals.end());
    return all;
}

std::string groupedCount(std::uint64_t count) {
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

void countLosses(engine::TableFile& source, TablePlan& plan) {
    const engine::FieldList& from = source.fields();
    const engine::FieldList& to = plan.fields;
    for (const engine::FieldDef& field : to)
        if (engine::findField(from, field.name) < 0)
            plan.added.push_back(field.name);
    // The old fields whose values would not arrive as they are, with their
    // counterpart (-1 for none).
    std::vector<std::pair<int, int>> watched;
    for (std::size_t j = 0; j < from.size(); ++j) {
        int i = engine::findField(to, from[j].name);
        if (i < 0) {
            plan.dropped.push_back(from[j].name);
            watched.emplace_back(static_cast<int>(j), -1);
        } else if (from[j].type != to[i].type || from[j].length != to[i].length ||
                   from[j].decimals != to[i].decimals) {
            plan.changed.push_back(from[j].name);
            watched.emplace_back(static_cast<int>(j), i);
        }
    }
    if (watched.empty())
        return;
    std::vector<std::uint64_t> counts(watched.size(), 0);
    auto countRow = [&](engine::RowId id) {
        if (source.isDeleted(id))
            return;
        for (std::size_t w = 0; w < watched.size(); ++w) {
            engine::Value value = source.readField(id, watched[w].first);
            if (watched[w].second < 0) {
                counts[w] += holdsSomething(value);
                continue;
            }
            bool inexact = false;
            engine::convertForField(value, to[static_cast<std::size_t>(watched[w].second)],
                                    &inexact);
            counts[w] += inexact;
        }
    };
    // The rows as the move reads them: in record order, or along the
    // primary index where row ids do not hold.
    if (source.stableRowIds()) {
        for (engine::RowId id = 1, count = source.rowCount(); id <= count; ++id)
            countRow(id);
    } else {
        auto cursor = source.openIndex("");
        for (bool on = cursor->first(); on; on = cursor->next())
            countRow(cursor->row());
    }
    for (std::size_t w = 0; w < watched.size(); ++w)
        if (counts[w])
            plan.losses.push_back({from[static_cast<std::size_t>(watched[w].first)].name,
                                   watched[w].second < 0 ? ValueLoss::Dropped : ValueLoss::Cut,
                                   counts[w]});
}

void countCopyLosses(engine::TableFile& source, engine::TableFile& destination, TablePlan& plan) {
    countLosses(source, plan);
    plan.added.clear(); // fields the reference table lacks stay blank, as always
    engine::KeyClashes clashes = engine::findKeyClashes(source, destination, 3);
    if (!clashes)
        return;
    std::string key;
    for (const engine::IndexInfo& index : destination.indexes())
        if (index.def.primary)
            key = index.def.expression;
    ValueLoss loss{key, ValueLoss::Refused, clashes.count, {}};
    for (const engine::KeyClash& clash : clashes.first)
        loss.examples.push_back(clash.key);
    plan.losses.push_back(std::move(loss));
}

void countKeyClashes(engine::TableFile& source, TablePlan& plan) {
    // A dBase unique tag leaves a repeated key out of the tag and keeps the
    // row; only a Paradox primary key refuses rows.
    if (plan.type.TableKind != 1 || plan.indexes.empty() || !plan.indexes.front().primary)
        return;
    engine::KeyClashes clashes = engine::findKeyClashes(source, engine::TableKind::Paradox,
                                                        plan.fields, {plan.indexes.front()}, 3);
    if (!clashes)
        return;
    ValueLoss loss{plan.indexes.front().expression, ValueLoss::Refused, clashes.count, {}};
    for (const engine::KeyClash& clash : clashes.first)
        loss.examples.push_back(clash.key);
    plan.losses.push_back(std::move(loss));
}

TablePlan planTable(const TableDefinition& definition, const TableType& type,
                    const fs::path& workDir) {
    TablePlan plan;
    plan.table = definition.table;
    plan.type = type;
    try {
        engine::requirePlainName(definition.table, "Table name");
        planFields(definition, plan);
        findSource(plan, workDir);
        if (plan.refusals.empty() && !plan.source.empty()) {
            auto source = engine::openTable(plan.source, {false, true});
            countLosses(*source, plan);
            countKeyClashes(*source, plan);
        }
    } catch (const engine::EngineError& error) {
        // A table that cannot be read, or a name the engine refuses.
        refuse(plan, "", error.what());
    }
    return plan;
}

namespace {

// The format of each table of a run: its own code, else the format of the
// table before it; nothing for a first table without a known code.
std::vector<std::optional<TableType>> resolveTypes(const std::vector<std::string>& names,
                                                   const std::vector<std::string>& types) {
    std::vector<std::optional<TableType>> resolved;
    std::optional<TableType> previous;
    for (std::size_t n = 0; n < names.size(); ++n) {
        const std::string code = n < types.size() ? types[n] : std::string();
        if (knownCode(code)) {
            TableType type;
            type.setFromCode(code);
            previous = type;
        }
        resolved.push_back(previous);
    }
    return resolved;
}

TablePlan unknownType(const std::string& table, const std::string& code) {
    TablePlan refused;
    refused.table = table;
    refuse(refused, "", "table type \"" + code + "\" is neither \"0\" (dBASE) nor \"1\" (PARADOX)");
    return refused;
}

} // namespace

RunPlan planBuild(TDm_Vadem& dm, const std::string& workDir, const std::vector<std::string>& names,
                  const std::vector<std::string>& types) {
    RunPlan run;
    std::vector<std::optional<TableType>> resolved = resolveTypes(names, types);
    for (std::size_t n = 0; n < names.size(); ++n) {
        if (!resolved[n])
            run.tables.push_back(unknownType(names[n], n < types.size() ? types[n] : ""));
        else
            run.tables.push_back(planTable(readDefinition(dm, names[n]), *resolved[n], workDir));
    }
    return run;
}

RunPlan planCopy(TDm_Vadem& dm, const std::vector<std::string>& names,
                 const std::vector<std::string>& types) {
    RunPlan run;
    std::vector<std::optional<TableType>> resolved = resolveTypes(names, types);
    for (std::size_t n = 0; n < names.size(); ++n) {
        if (!resolved[n]) {
            run.tables.push_back(unknownType(names[n], n < types.size() ? types[n] : ""));
            continue;
        }
        TablePlan plan;
        plan.table = names[n];
        plan.type = plan.sourceType = *resolved[n];
        plan.action = TablePlan::Append;
        try {
            dm.tmSrc.Close();
            dm.tmSrc.SetDatabaseName(ReferenceDirectory);
            plan.source = tablePathOn(dm.tmSrc, names[n], plan.type);
            fs::path destination = tablePathOn(dm.tmDst, names[n], plan.type);
            if (!engine::tableExists(plan.source)) {
                refuse(plan, "", "the reference table " + plan.source.string() + " is missing");
            } else if (!engine::tableExists(destination)) {
                refuse(plan, "",
                       "the table " + destination.string() +
                           " does not exist; create the tables first");
            } else {
                auto source = engine::openTable(plan.source, {false, true});
                auto target = engine::openTable(destination, {false, true});
                plan.fields = target->fields();
                bool anyShared = std::any_of(source->fields().begin(), source->fields().end(),
                                             [&](const engine::FieldDef& f) {
                                                 return engine::findField(plan.fields, f.name) >= 0;
                                             });
                if (!anyShared)
                    refuse(plan, "",
                           "no field of the reference table " + plan.source.string() +
                               " is a field of " + destination.string());
                else
                    countCopyLosses(*source, *target, plan);
                plan.fields.clear(); // the copy makes no table
            }
        } catch (const engine::EngineError& error) {
            refuse(plan, "", error.what()); // unreadable or damaged
        }
        run.tables.push_back(std::move(plan));
    }
    return run;
}

} // namespace operations
