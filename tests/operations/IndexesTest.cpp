#include "OperationsWorkspace.h"
#include "support/Process.h"

#include "engine/drivers/Tables.h"

#include <fstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class BuiltIndexes : public OperationsWorkspace {};

TEST_F(BuiltIndexes, AParadoxTableGetsItsPrimaryAndCaseInsensitiveIndexesReadByPxlib) {
    addTable("PEOPLE", "1");
    addTypedField("PEOPLE", 1, "CODE", "C", 6);
    addTypedField("PEOPLE", 2, "NAME", "C", 20);
    addTypedField("PEOPLE", 3, "SCORE", "N");
    addTag("PEOPLE", "BYNAME", "NAME");
    addTag("PEOPLE", "AKEY", "CODE"); // the smallest name: the primary index
    build({"PEOPLE"}, {"1"});
    insertRows(tables / "PEOPLE.DB", {{{"CODE", "P3"}, {"NAME", "beta"}, {"SCORE", "3"}},
                                      {{"CODE", "P1"}, {"NAME", "Gamma"}, {"SCORE", "1.5"}},
                                      {{"CODE", "P2"}, {"NAME", "Alpha"}, {"SCORE", "2"}}});
    // An update carries the rows into a new table with the same indexes.
    addTypedField("PEOPLE", 4, "CITY", "C", 10);
    ASSERT_EQ(build({"PEOPLE"}, {"1"}), QStringList{"Function successfull."});

    support::Outcome dumped =
        support::run({PX_DUMP, (tables / "PEOPLE.DB").string(), (tables / "PEOPLE.PX").string()});
    const std::string& out = dumped.out;
    ASSERT_EQ(dumped.status, 0) << out << dumped.err;
    EXPECT_EQ(out, "type 0 keys 1 records 3\n"
                   "P1\tGamma\t1.5\t\n"
                   "P2\tAlpha\t2\t\n"
                   "P3\tbeta\t3\t\n");

    auto table = openTable(tables / "PEOPLE.DB");
    auto indexes = table->indexes();
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_TRUE(indexes[0].def.primary);
    EXPECT_EQ(indexes[1].def.name, "BYNAME");
    EXPECT_TRUE(indexes[1].def.caseInsensitive);
    TTable byName;
    byName.SetDatabaseName(tables.string());
    byName.SetTableName("PEOPLE.DB");
    byName.SetIndexName("BYNAME");
    byName.Open();
    std::string order;
    for (; !byName.Eof(); byName.Next())
        order += byName.FieldByName("NAME").AsString() + " ";
    EXPECT_EQ(order, "Alpha beta Gamma ");
    // pxlib reads the case-insensitive index's key file as a table of its own.
    bool found = false;
    for (const auto& entry : fs::directory_iterator(tables)) {
        if (entry.path().extension() != ".XG0")
            continue;
        found = true;
        support::Outcome keyFile = support::run({PX_DUMP, entry.path().string()});
        const std::string& keys = keyFile.out;
        ASSERT_EQ(keyFile.status, 0) << keys << keyFile.err;
        EXPECT_NE(keys.find("records 3"), std::string::npos) << keys;
    }
    EXPECT_TRUE(found);
}

TEST_F(BuiltIndexes, ADbaseTagWithAConditionHoldsExactlyTheRowsThatMeetIt) {
    addTable("ORDERS", "0");
    addTypedField("ORDERS", 1, "CODE", "C", 6);
    addTypedField("ORDERS", 2, "STATE", "C", 1);
    addTypedField("ORDERS", 3, "AMOUNT", "N", 8, 2);
    addTag("ORDERS", "OPEN", "CODE", "STATE = \"O\"");
    addTag("ORDERS", "ALL", "CODE");
    build({"ORDERS"}, {"0"});
    std::vector<std::map<std::string, std::string>> rows;
    for (int n = 1; n <= 40; ++n)
        rows.push_back({{"CODE", "C" + std::to_string(100 + n)},
                        {"STATE", n % 3 == 0 ? "O" : "C"},
                        {"AMOUNT", std::to_string(n)}});
    insertRows(tables / "ORDERS.DBF", rows);
    addTypedField("ORDERS", 4, "NOTE", "C", 10);
    ASSERT_EQ(build({"ORDERS"}, {"0"}), QStringList{"Function successfull."});

    // Perl XBase::Index walks the tags; the rows meeting the condition are
    // those dbfread reads with STATE "O".
    fs::path script = root / "tags.pl";
    std::ofstream(script) << R"(use strict; use warnings; use XBase::Index;
for my $tag ('OPEN', 'ALL') {
    my $index = XBase::Index->new($ARGV[0], 'tag' => $tag) or die XBase::Index->errstr;
    $index->prepare_select;
    my @keys;
    while (my ($key, $recno) = $index->fetch) { $key =~ s/ +$//; push @keys, "$key=$recno"; }
    print "$tag ", join(' ', @keys), "\n";
}
)";
    support::Outcome walked =
        support::run({"perl", script.string(), (tables / "ORDERS.MDX").string()});
    const std::string& out = walked.out;
    ASSERT_EQ(walked.status, 0) << out << walked.err;
    std::string open = "OPEN", all = "ALL";
    int recno = 0;
    for (const std::string& row : dbfRows(tables / "ORDERS.DBF", "CODE,STATE")) {
        ++recno;
        std::string code = row.substr(0, row.find('|'));
        std::string entry = " " + code + "=" + std::to_string(recno);
        all += entry;
        if (row.back() == 'O')
            open += entry;
    }
    EXPECT_EQ(out, open + "\n" + all + "\n");
    EXPECT_EQ(std::count(open.begin(), open.end(), '='), 13);
}

} // namespace
