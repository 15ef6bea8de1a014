#pragma once

#include "engine/table/TableFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace engine {

class TTable;

// One field of a table description, with the engine's physical type codes:
// dBase 0x201 character, 0x202 number, 0x203 memo, 0x204 logical, 0x205 date,
// 0x208 OLE; Paradox 0x101 alpha, 0x102 number, 0x104 date, 0x106 memo,
// 0x109 OLE, 0x10E logical.
struct FieldDescriptor {
    int number = 0;
    std::string name;
    int type = 0;
    int subtype = 0;
    int units1 = 0; // size
    int units2 = 0; // decimals
};

struct TableDescription {
    std::string name;
    std::string driver; // "DBASE" or "PARADOX"
    std::vector<FieldDescriptor> fields;
};

// A dBase index tag to add to a table's production index.
struct IndexDescriptor {
    std::string tagName;
    std::string keyExpression;
    std::string condition;  // FOR expression; used when subset is set
    bool expression = true; // key is keyExpression; else the field firstKeyField
    bool subset = false;
    bool primary = false;
    bool unique = false;
    bool descending = false;
    bool caseInsensitive = false;
    bool maintained = true;
    int keyFieldCount = 0;
    int firstKeyField = 0;
};

inline constexpr int MaxTableFields = 255;

// A connection to the tables of one location (an alias or a directory).
class TDatabase {
public:
    std::string DatabaseName; // the connection's own name
    std::string AliasName;    // the location it connects to
    std::string SessionName = "Default";

    void Open();
    void Close();
    bool Connected() const { return connected_; }

    // The directory of the connection, with its trailing separator.
    std::string WorkingDirectory() const;

    // Renames a table and its companions (memo, indexes); driver "DBASE" or
    // "PARADOX" gives the extension when the names have none.
    void RenameTable(const std::string& oldName, const std::string& driver,
                     const std::string& newName);
    void CreateTable(const TableDescription& description, bool overwrite);
    void DeleteTable(const std::string& name, const std::string& driver);
    // Adds a dBase tag to the production index of the open table.
    void AddIndex(TTable& table, const IndexDescriptor& index);
    void RegenerateIndexes(TTable& table);

    // The field definition an engine field type code stands for.
    static FieldDef fieldDefOf(const FieldDescriptor& descriptor, TableKind kind);

private:
    void requireConnected() const;
    std::filesystem::path tablePath(const std::string& name, const std::string& driver) const;

    bool connected_ = false;
    std::filesystem::path directory_;
};

} // namespace engine
