// The builder, the copier and tabletool append move rows by one engine
// move: the same value ends as the same stored value through each.
#include "OperationsWorkspace.h"

#include "engine/drivers/Tables.h"
#include "support/Process.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

class OneMove : public OperationsWorkspace {};

TEST_F(OneMove, ANumberBecomesTheSameTextThroughTheBuilderTheCopierAndTabletool) {
    const std::vector<std::map<std::string, std::string>> rows = {
        {{"CODE", "A"}, {"AMT", "12.50"}},
        {{"CODE", "B"}, {"AMT", "3.00"}},
        {{"CODE", "C"}, {"AMT", "-0.05"}}};
    const std::vector<std::string> expected = {"A|12.50", "B|3.00", "C|-0.05"};
    const FieldList numbers = {{"CODE", FieldType::Character, 4, 0},
                               {"AMT", FieldType::Numeric, 12, 2}};

    // The builder: AMT was N 12 2 and becomes C 10.
    addTable("BUILT", "0");
    addTypedField("BUILT", 1, "CODE", "C", 4);
    addTypedField("BUILT", 2, "AMT", "N", 12, 2);
    build({"BUILT"}, {"0"});
    insertRows(tables / "BUILT.DBF", rows);
    retypeField("BUILT", "AMT", "C", 10);
    EXPECT_EQ(build({"BUILT"}, {"0"}), QStringList{"Function successfull."});
    EXPECT_EQ(dbfRows(tables / "BUILT.DBF", "CODE,AMT"), expected);

    // The copier: the reference table holds AMT as N 12 2, the installation as C 10.
    addTable("COPIED", "0");
    addTypedField("COPIED", 1, "CODE", "C", 4);
    addTypedField("COPIED", 2, "AMT", "C", 10);
    build({"COPIED"}, {"0"});
    fs::path reference = floppy / "ZET_BASE" / "COPIED.DBF";
    createTable(reference, numbers);
    insertRows(reference, rows);
    EXPECT_EQ(copy({"COPIED"}, {"0"}), QStringList{"Function successful."});
    EXPECT_EQ(dbfRows(tables / "COPIED.DBF", "CODE,AMT"), expected);

    // tabletool append, from the same reference table.
    fs::path appended = tables / "APPENDED.DBF";
    createTable(appended,
                {{"CODE", FieldType::Character, 4, 0}, {"AMT", FieldType::Character, 10, 0}});
    support::Outcome r = support::run(
        {SCHEDAX_BINARY_DIR "/tools/tabletool", "append", appended.string(), reference.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3 rows appended, 0 values not carried over exactly"), std::string::npos)
        << r.out;
    EXPECT_EQ(dbfRows(appended, "CODE,AMT"), expected);
}

} // namespace
