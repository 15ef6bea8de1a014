// tabletool export TABLE [--tag NAME]: the rows as CSV on standard output,
// in the index's order or in record order. Deleted records are left out.
#include "Command.h"
#include "Csv.h"
#include "ValueText.h"

#include "engine/drivers/Tables.h"

#include <cstdio>

namespace tabletool {

namespace {

int runExport(const Arguments& args) {
    auto table = engine::openTable(args.at(0), {.exclusive = false, .readOnly = true});
    auto cursor = table->openIndex(args.value("--tag"));
    CsvWriter out(stdout);
    const engine::FieldList& fields = table->fields();
    for (const engine::FieldDef& f : fields)
        out.cell(f.name);
    out.endRow();
    for (bool more = cursor->first(); more; more = cursor->next()) {
        engine::RowId row = cursor->row();
        if (table->isDeleted(row))
            continue;
        engine::Record record = table->read(row);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            appendValueText(out.beginCell(), fields[i], record[i]);
            // Only text holds commas, quotes or line breaks; numbers, dates,
            // logicals and hex bytes never do.
            out.endCell(record[i].isText());
        }
        out.endRow();
    }
    return 0;
}

const RegisterCommand reg({"export", "TABLE [--tag NAME]", {"--tag="}, 1, 1, runExport});

} // namespace

} // namespace tabletool
