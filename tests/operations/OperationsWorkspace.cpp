#include "OperationsWorkspace.h"

#include "support/DictionaryRows.h"
#include "support/FileBytes.h"
#include "support/Process.h"

#include "engine/dataset/Table.h"
#include "operations/Cpy_Archivi.h"
#include "operations/Crt_Archivi.h"
#include "ui/ModalWindows.h"

#include <fstream>
#include <sstream>

using namespace engine;

namespace {

void openBase(TTable& base, const std::filesystem::path& system) {
    base.SetDatabaseName(system.string());
    base.SetTableName("T_BASE");
    base.Open();
}

} // namespace

void OperationsWorkspace::SetUp() {
    EditorWorkspace::SetUp();
    floppy = workspace->floppy; // drive A: in the workspace's configuration
    std::filesystem::create_directories(floppy / "ZET_BASE");
}

void OperationsWorkspace::addTable(const std::string& name, const std::string& type,
                                   const std::string& application, Date date, bool copyData) {
    support::BaseRow row = support::tableRow(name, name + " table", application);
    row.tableType = type;
    row.copyData = copyData;
    if (date != Date())
        row.date = date;
    support::addRow(system, row);
}

void OperationsWorkspace::addTypedField(const std::string& table, int number,
                                        const std::string& name, const std::string& type, int size,
                                        int decimals) {
    support::BaseRow row = support::fieldRow(table, number, name, name + " field", type, size);
    row.decimals = decimals;
    row.date = OldDate;
    support::addRow(system, row);
}

void OperationsWorkspace::retypeField(const std::string& table, const std::string& name,
                                      const std::string& type, int size, int decimals) {
    TTable base;
    base.SetIndexName("BASE01");
    base.SetFilter("[TMTIPO]='B'");
    base.SetFiltered(true);
    openBase(base, system);
    ASSERT_TRUE(base.FindKey({Value(table), Value(name)})) << table << "." << name;
    base.Edit();
    base.FieldByName("TMTFLD").SetAsString(type);
    base.FieldByName("TMSIZE").SetAsInteger(size);
    base.FieldByName("TMDECS").SetAsInteger(decimals);
    base.Post();
}

std::map<std::string, std::string> OperationsWorkspace::tableFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tables))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), tables).string()] =
                support::readBytes(entry.path());
    return files;
}

void OperationsWorkspace::renameField(const std::string& table, const std::string& from,
                                      const std::string& to) {
    TTable base;
    base.SetIndexName("BASE01");
    base.SetFilter("[TMTIPO]='B'");
    base.SetFiltered(true);
    openBase(base, system);
    ASSERT_TRUE(base.FindKey({Value(table), Value(from)})) << table << "." << from;
    base.Edit();
    base.FieldByName("TMNFLD").SetAsString(to);
    base.Post();
}

void OperationsWorkspace::addTag(const std::string& table, const std::string& name,
                                 const std::string& key, const std::string& condition) {
    support::BaseRow row = support::tagRow(table, name, key);
    row.date = OldDate;
    if (!condition.empty())
        row.condition = condition;
    support::addRow(system, row);
}

void OperationsWorkspace::setInstalled(const std::string& code, bool installed, Date stamped) {
    TTable prod;
    prod.SetDatabaseName(system.string());
    prod.SetTableName("T_PROD");
    prod.SetIndexName("PROD00");
    prod.Open();
    ASSERT_TRUE(prod.FindKey({Value(code)}));
    prod.Edit();
    prod.FieldByName("TMBIST").SetAsBoolean(installed);
    if (stamped == Date())
        prod.FieldByName("TMDIST").Clear();
    else
        prod.FieldByName("TMDIST").SetAsDateTime(stamped);
    prod.Post();
}

OperationsWorkspace::Application OperationsWorkspace::application(const std::string& code) const {
    TTable prod;
    prod.SetDatabaseName(system.string());
    prod.SetTableName("T_PROD");
    prod.SetIndexName("PROD00");
    prod.Open();
    Application found;
    if (!prod.FindKey({Value(code)})) {
        ADD_FAILURE() << "no application " << code;
        return found;
    }
    found.installed = prod.FieldByName("TMBIST").AsBoolean();
    if (!prod.FieldByName("TMDIST").IsNull())
        found.stamped = prod.FieldByName("TMDIST").AsDateTime();
    return found;
}

QStringList OperationsWorkspace::build(const QStringList& names, const QStringList& types,
                                       const std::vector<ui::Answer>& answers) {
    boxes.clear();
    for (ui::Answer answer : answers)
        boxes.answer(answer);
    Crt_Archivi->TableNames = names;
    Crt_Archivi->TableTypes = types;
    whileModal([] { ui::showModal(*Crt_Archivi); });
    return boxes.texts();
}

QStringList OperationsWorkspace::copy(const QStringList& names, const QStringList& types,
                                      const std::vector<ui::Answer>& answers) {
    boxes.clear();
    for (ui::Answer answer : answers)
        boxes.answer(answer);
    Cpy_Archivi->TableNames = names;
    Cpy_Archivi->TableTypes = types;
    whileModal([] { ui::showModal(*Cpy_Archivi); });
    return boxes.texts();
}

std::vector<std::string> OperationsWorkspace::dbfRows(const std::filesystem::path& dbf,
                                                      const std::string& fields) const {
    support::RunOptions options;
    options.errorsToOutput = true;
    support::Outcome read =
        support::run({"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/operations/dbf_rows.py",
                      dbf.string(), fields},
                     options);
    const std::string& out = read.out;
    EXPECT_EQ(read.status, 0) << out;
    std::vector<std::string> rows;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        rows.push_back(line);
    return rows;
}

void OperationsWorkspace::insertRows(
    const std::filesystem::path& table,
    const std::vector<std::map<std::string, std::string>>& rows) const {
    TTable target;
    target.SetDatabaseName(table.parent_path().string());
    target.SetTableName(table.filename().string());
    target.Open();
    for (const auto& row : rows) {
        target.Insert();
        for (const auto& [field, text] : row)
            target.FieldByName(field).SetAsString(text);
        target.Post();
    }
}
