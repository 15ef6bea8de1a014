#pragma once

#include "support/EditorWorkspace.h"

#include <QStringList>

#include <map>
#include <string>
#include <vector>

// A dictionary workspace with helpers for the physical-table operations:
// dictionary rows of any type, builder and copier runs through their
// windows, and the rows of the built tables as independent readers see them.
class OperationsWorkspace : public EditorWorkspace {
protected:
    // Drive A: is `floppy`, with the directory ZET_BASE on it.
    void SetUp() override;

    // A base table of `type` ("0" dBase, "1" Paradox) owned by `application`;
    // a zero date leaves its date empty.
    void addTable(const std::string& name, const std::string& type,
                  const std::string& application = "", engine::Date date = OldDate,
                  bool copyData = false);
    void addTypedField(const std::string& table, int number, const std::string& name,
                       const std::string& type, int size = 0, int decimals = 0);
    // Every file under the tables' directory (path relative to it) with its
    // bytes, to show that a run changed nothing.
    std::map<std::string, std::string> tableFiles() const;
    void renameField(const std::string& table, const std::string& from, const std::string& to);
    void addTag(const std::string& table, const std::string& name, const std::string& key,
                const std::string& condition = "");
    // Changes a field row (found by table and name) in place.
    void retypeField(const std::string& table, const std::string& name, const std::string& type,
                     int size, int decimals = 0);
    void setInstalled(const std::string& application, bool installed, engine::Date stamped = {});
    struct Application {
        bool installed = false;
        engine::Date stamped; // zero when empty
    };
    Application application(const std::string& code) const;

    // Runs the builder window over the tables as the base-table editor hands
    // them; returns the texts of the boxes it showed.
    QStringList build(const QStringList& names, const QStringList& types,
                      const std::vector<ui::Answer>& answers = {});
    QStringList copy(const QStringList& names, const QStringList& types,
                     const std::vector<ui::Answer>& answers = {});

    // The rows of a physical dBase table read by Python dbfread, each the
    // listed fields' values joined by "|" (dates ISO, numbers as printed,
    // memos as text); deleted records left out.
    std::vector<std::string> dbfRows(const std::filesystem::path& dbf,
                                     const std::string& fields) const;
    // Rows written straight into a physical table through the engine.
    void insertRows(const std::filesystem::path& table,
                    const std::vector<std::map<std::string, std::string>>& rows) const;

    std::filesystem::path floppy;
};
