// tabletool query DIR "SQL" [--param NAME=VALUE ...]: runs a query over the
// tables of directory DIR and prints the result as CSV, header first.
#include "Command.h"
#include "Csv.h"
#include "ValueText.h"

#include "engine/sql/Query.h"

#include <cstdio>

namespace tabletool {

namespace {

int runQuery(const Arguments& args) {
    engine::TQuery query;
    query.DatabaseName = args.at(0);
    query.SQL = {args.at(1)};
    query.UniDirectional = true; // rows are printed as they come
    for (const std::string& param : args.values("--param")) {
        std::size_t equals = param.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("--param wants NAME=VALUE, not \"" + param + "\"");
        query.ParamByName(param.substr(0, equals)).SetAsString(param.substr(equals + 1));
    }
    query.Open();
    CsvWriter out(stdout);
    std::vector<std::string> cells;
    for (const auto& field : query.Fields())
        cells.push_back(field->FieldName());
    out.write(cells);
    for (; !query.Eof(); query.Next()) {
        for (std::size_t i = 0; i < query.Fields().size(); ++i) {
            const engine::TField& field = *query.Fields()[i];
            cells[i] = field.IsNull() ? "" : valueToText(query.columnDef(i), field.AsValue());
        }
        out.write(cells);
    }
    return 0;
}

const RegisterCommand
    reg({"query", "DIR \"SQL\" [--param NAME=VALUE ...]", {"--param="}, 2, 2, runQuery});

} // namespace

} // namespace tabletool
