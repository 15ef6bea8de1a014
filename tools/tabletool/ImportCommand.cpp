// tabletool import TABLE FILE.csv: append the rows of a CSV file whose
// header names the fields. The whole file is checked before the first row is
// written (every value as the table would store it, primary keys), so a bad
// row leaves the table as it was.
#include "Command.h"
#include "Csv.h"
#include "KeyGuard.h"
#include "ValueText.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/table/AppendBatch.h"

#include <cstdio>
#include <fstream>

namespace tabletool {

namespace {

class CsvRows {
public:
    CsvRows(const std::string& csvPath, const engine::FieldList& fields)
        : path_(csvPath), in_(csvPath, std::ios::binary), reader_(in_), fields_(fields) {
        if (!in_)
            throw UsageError("cannot read " + csvPath);
        std::vector<std::string> header;
        if (!reader_.next(header))
            throw UsageError(csvPath + " is empty; its first line must name the fields");
        for (const std::string& name : header) {
            int field = engine::findField(fields, name);
            if (field < 0)
                throw UsageError(csvPath + ": the table has no field \"" + name + "\"");
            for (int seen : columns_)
                if (seen == field)
                    throw UsageError(csvPath + ": field \"" + name + "\" appears twice");
            columns_.push_back(field);
        }
    }

    std::string where() const { return path_ + " line " + std::to_string(reader_.line()); }

    // The next row as a record; throws UsageError naming the line and field.
    // With `table` given, every value is also checked as the table stores it.
    bool next(engine::Record& record, engine::TableFile* table = nullptr) {
        if (!reader_.next(cells_))
            return false;
        if (cells_.size() == 1 && cells_[0].empty())
            return next(record); // blank line
        if (cells_.size() != columns_.size())
            fail(std::to_string(cells_.size()) + " cells, the header " +
                 std::to_string(columns_.size()));
        record.assign(fields_.size(), engine::Value());
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const engine::FieldDef& field = fields_[columns_[i]];
            try {
                record[columns_[i]] = valueFromText(field, cells_[i]);
            } catch (const UsageError& e) {
                fail(e.what());
            }
            if (auto why = misfit(field, record[columns_[i]]))
                fail(*why);
        }
        if (table) {
            try {
                table->checkValues(record);
            } catch (const engine::EngineError& e) {
                fail(e.what());
            }
        }
        return true;
    }

private:
    [[noreturn]] void fail(const std::string& why) const { throw UsageError(where() + ": " + why); }

    std::string path_;
    std::ifstream in_;
    CsvReader reader_;
    const engine::FieldList& fields_;
    std::vector<int> columns_;
    std::vector<std::string> cells_;
};

int runImport(const Arguments& args) {
    auto table = engine::openTable(args.at(0), {.exclusive = true, .readOnly = false});
    engine::Record record;
    {
        CsvRows check(args.at(1), table->fields());
        KeyGuard keys(*table);
        while (check.next(record, table.get()))
            if (keys.active())
                keys.check(record, check.where());
    }
    CsvRows rows(args.at(1), table->fields());
    std::uint64_t count = 0;
    engine::AppendBatch batch(*table); // a row that fails stores none of them
    while (rows.next(record)) {
        table->append(record);
        ++count;
    }
    batch.finish();
    std::printf("%s: %llu rows imported\n", args.at(0).c_str(),
                static_cast<unsigned long long>(count));
    return 0;
}

const RegisterCommand reg({"import", "TABLE FILE.csv", {}, 2, 2, runImport});

} // namespace

} // namespace tabletool
