// A second program for tests: holds one table open and writes on command.
// Usage: table_writer TABLE. Reads one command a line from stdin and
// answers one line on stdout: "ok [value]" or "error CODE message".
//   append V1|V2|...      append a row (values as text, by field type)
//   update ROW V1|V2|...  replace a row
//   delete ROW            remove a row
//   begin | end | cancel  an append batch
//   bulk N FIRST          a batch of N generated rows CODE=FIRST.. (two fields)
//   count                 rows after taking in other writers' changes
//   killat N              end the program (SIGKILL) at its Nth write from now
//   reindex | check       rebuild the indexes | the faults, joined by " / "
//   exit
#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FaultSeam.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

using namespace engine;

namespace {

Value valueOf(const FieldDef& field, const std::string& text) {
    if (text.empty())
        return Value();
    switch (field.type) {
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Double:
        return Value(std::stod(text));
    case FieldType::Short:
    case FieldType::Long:
        return Value(static_cast<std::int64_t>(std::stoll(text)));
    default:
        return Value(text);
    }
}

Record recordOf(const TableFile& table, const std::string& text) {
    Record record;
    std::stringstream in(text);
    std::string cell;
    for (const FieldDef& field : table.fields()) {
        if (!std::getline(in, cell, '|'))
            cell.clear();
        record.push_back(valueOf(field, cell));
    }
    return record;
}

std::string run(TableFile& table, const std::string& line) {
    std::stringstream in(line);
    std::string command;
    in >> command;
    std::string rest;
    std::getline(in >> std::ws, rest);
    if (command == "append")
        return std::to_string(table.append(recordOf(table, rest)));
    if (command == "update") {
        std::stringstream args(rest);
        RowId row = 0;
        args >> row;
        std::string values;
        std::getline(args >> std::ws, values);
        return std::to_string(table.update(row, recordOf(table, values)));
    }
    if (command == "delete") {
        table.remove(std::stoull(rest));
        return "";
    }
    if (command == "begin")
        table.beginAppendBatch();
    else if (command == "end")
        table.endAppendBatch();
    else if (command == "cancel")
        table.cancelAppendBatch();
    else if (command == "bulk") {
        std::stringstream args(rest);
        std::uint64_t n = 0, first = 0;
        args >> n >> first;
        table.beginAppendBatch();
        for (std::uint64_t i = first; i < first + n; ++i)
            table.append({Value("K" + std::to_string(i)), Value(static_cast<double>(i % 997))});
        table.endAppendBatch();
    } else if (command == "count") {
        table.refresh();
        return std::to_string(table.rowCount());
    } else if (command == "killat")
        faults::failWrite(std::stoull(rest), faults::Fault::Kill);
    else if (command == "reindex")
        table.reindex();
    else if (command == "check") {
        std::string faults;
        for (const std::string& fault : table.check())
            faults += (faults.empty() ? "" : " / ") + fault;
        return faults;
    } else
        throw EngineError(code::InvalidParameter, "unknown command " + command);
    return "";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: table_writer TABLE\n");
        return 2;
    }
    try {
        auto table = openTable(argv[1]);
        std::printf("ok\n");
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
            if (line == "exit")
                break;
            try {
                std::string answer = run(*table, line);
                std::printf("ok%s%s\n", answer.empty() ? "" : " ", answer.c_str());
            } catch (const EngineError& e) {
                std::printf("error %u %s\n", e.code(), e.what());
            } catch (const std::exception& e) {
                std::printf("error 0 %s\n", e.what());
            }
            std::fflush(stdout);
        }
    } catch (const EngineError& e) {
        std::printf("error %u %s\n", e.code(), e.what());
        return 1;
    }
    return 0;
}
