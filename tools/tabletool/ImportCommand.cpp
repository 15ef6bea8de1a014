// tabletool import TABLE FILE.csv: append the rows of a CSV file whose
// header names the fields. The file is read once ("-" or a pipe will do);
// every value is checked as the table would store it, and the primary key
// against the table and the earlier rows, before its row goes in. The rows
// go in one append batch, so a bad row leaves the table as it was.
#include "Command.h"
#include "Csv.h"
#include "ValueText.h"

#include "engine/base/EngineError.h"
#include "engine/dataset/KeyCheck.h"
#include "engine/dataset/ValueConversion.h"
#include "engine/drivers/Tables.h"
#include "engine/table/AppendBatch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

namespace tabletool {

namespace {

class CsvRows {
public:
    CsvRows(std::istream& in, const std::string& name, engine::TableFile& table)
        : name_(name), reader_(in), table_(table), keys_(table) {
        std::vector<std::string> header;
        if (!reader_.next(header))
            throw InputError(name + " is empty; its first line must name the fields");
        for (const std::string& field : header) {
            int column = engine::findField(table.fields(), field);
            if (column < 0)
                throw InputError(name + ": the table has no field \"" + field + "\"");
            for (int seen : columns_)
                if (seen == column)
                    throw InputError(name + ": field \"" + field + "\" appears twice");
            columns_.push_back(column);
        }
    }

    // The next row as the table stores it; throws InputError naming the line
    // and the field for a value or a key that the table would not take.
    bool next(engine::Record& record) {
        if (!reader_.next(cells_))
            return false;
        if (cells_.size() == 1 && cells_[0].empty())
            return next(record); // blank line
        if (cells_.size() != columns_.size())
            fail(std::to_string(cells_.size()) + " cells, the header " +
                 std::to_string(columns_.size()));
        const engine::FieldList& fields = table_.fields();
        record.assign(fields.size(), engine::Value());
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const engine::FieldDef& field = fields[columns_[i]];
            try {
                record[columns_[i]] = valueFromText(field, cells_[i]);
            } catch (const InputError& e) {
                fail(e.what());
            }
            if (auto why = engine::whyInexact(record[columns_[i]], field))
                fail(*why);
        }
        try {
            table_.checkValues(record);
        } catch (const engine::EngineError& e) {
            fail(e.what());
        }
        if (keys_.active())
            if (auto clash = keys_.take(record, reader_.line()))
                fail(std::string("its primary key is ") +
                     (clash->inTable ? "already in the table" : "given twice"));
        return true;
    }

private:
    [[noreturn]] void fail(const std::string& why) const {
        throw InputError(name_ + " line " + std::to_string(reader_.line()) + ": " + why);
    }

    std::string name_;
    CsvReader reader_;
    engine::TableFile& table_;
    engine::PrimaryKeyCheck keys_;
    std::vector<int> columns_;
    std::vector<std::string> cells_;
};

std::uint64_t importRows(std::istream& in, const std::string& name, engine::TableFile& table) {
    std::uint64_t count = 0;
    engine::AppendBatch batch(table); // a row that fails stores none of them
    CsvRows rows(in, name, table);
    engine::Record record;
    while (rows.next(record)) {
        table.append(record);
        ++count;
    }
    if (in.bad())
        throw InputError("cannot read " + name + ": " + std::strerror(errno));
    batch.finish();
    return count;
}

int runImport(const Arguments& args) {
    auto table = engine::openTable(args.at(0), {.exclusive = true, .readOnly = false});
    const std::string& csv = args.at(1);
    std::uint64_t count = 0;
    if (csv == "-") {
        count = importRows(std::cin, "standard input", *table);
    } else {
        std::ifstream in(csv, std::ios::binary);
        if (!in)
            throw InputError("cannot read " + csv + ": " + std::strerror(errno));
        count = importRows(in, csv, *table);
    }
    std::printf("%s: %llu rows imported\n", args.at(0).c_str(),
                static_cast<unsigned long long>(count));
    return 0;
}

const RegisterCommand reg({"import", "TABLE FILE.csv|-", {}, 2, 2, runImport});

} // namespace

} // namespace tabletool
