// Independent readers (Python dbfread, Perl XBase) read what we write, and we
// read what Perl XBase writes.
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/dbase/DbaseDetails.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
using support::Outcome;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

Outcome script(const TempDir& dir, const std::string& interpreter, const std::string& name,
               const std::string& text, const std::vector<std::string>& args) {
    writeBytes(dir / name, text);
    std::vector<std::string> command = {interpreter, (dir / name).string()};
    command.insert(command.end(), args.begin(), args.end());
    return support::run(command);
}

// Memo lengths around the 512-byte block: empty, one byte, block - 8 (fills
// the first block exactly with the 8-byte header), block - 7, several blocks.
const std::size_t kMemoLengths[] = {0, 1, 504, 505, 1800};

std::string memoText(std::size_t length, char fill) {
    std::string s(length, fill);
    if (length > 1)
        s.back() = '|'; // the last byte is seen
    return s;
}

void writeSample(const TempDir& dir) {
    auto t = createTable(dir / "SAMPLE.DBF", {{"CODE", FieldType::Character, 8, 0},
                                              {"AMOUNT", FieldType::Numeric, 10, 2},
                                              {"RATE", FieldType::Float, 8, 3},
                                              {"DAY", FieldType::Date, 8, 0},
                                              {"OK", FieldType::Logical, 1, 0},
                                              {"NOTE", FieldType::Memo, 10, 0}});
    char fill = 'a';
    for (std::size_t length : kMemoLengths) {
        int i = static_cast<int>(t->rowCount());
        t->append({Value("R" + std::to_string(i)), Value(i % 2 ? -12.5 : 1234.56), Value(0.125),
                   i == 1 ? Value() : Value(Date::fromYmd(2026, 1 + i, 9)),
                   i == 2 ? Value() : Value(i % 2 == 0), Value(memoText(length, fill++))});
    }
    t->remove(2);
}

} // namespace

TEST(DbfReaders, DbfreadSeesTheExactBytesAndHeader) {
    if (!support::haveDbfread())
        GTEST_SKIP() << "python3-dbfread is not installed";
    TempDir dir;
    writeSample(dir);
    Outcome r = script(dir, "/usr/bin/python3", "read.py", R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], raw=True)
h = t.header
print(h.dbversion, h.year, h.numrecords, h.headerlen, h.recordlen, h.mdx_flag, h.language_driver)
for row in list(t) + list(t.deleted):
    print('|'.join(row[f].decode('latin-1') for f in ('CODE', 'AMOUNT', 'RATE', 'DAY', 'OK', 'NOTE')))
memos = dbfread.DBF(sys.argv[1])
for row in memos:
    # dbfread reads 8 bytes past the value (it counts the block header as data),
    # so find the end by the value's last character.
    note = row['NOTE'] or ''
    print(note.find('|') + 1, note[:1])
)",
                       {(dir / "SAMPLE.DBF").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string header;
    std::getline(lines, header);
    int year = Date::today().year() - 1900;
    EXPECT_EQ(header, "139 " + std::to_string(year) + " 5 225 46 0 87");
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 9u) << r.out; // 4 active + 1 deleted, then 4 memo lines
    EXPECT_EQ(rows[0], "R0      |   1234.56|   0.125|20260109|T|          ");
    EXPECT_EQ(rows[1], "R2      |   1234.56|   0.125|20260309|?|         2");
    EXPECT_EQ(rows[2], "R3      |    -12.50|   0.125|20260409|F|         3");
    EXPECT_EQ(rows[4], "R1      |    -12.50|   0.125|        |F|         1"); // the deleted one
    EXPECT_EQ(rows[5], "0 ");
    EXPECT_EQ(rows[6], "504 c");
    EXPECT_EQ(rows[7], "505 d");
    EXPECT_EQ(rows[8], "1800 e");
}

TEST(DbfReaders, PerlXBaseReadsValuesMemosAndTheDeletedFlag) {
    if (!support::havePerlXBase())
        GTEST_SKIP() << "Perl XBase is not installed";
    TempDir dir;
    writeSample(dir);
    Outcome r = script(dir, "perl", "read.pl", R"(
use XBase;
my $t = XBase->new(shift) or die XBase->errstr;
for my $n (0 .. $t->last_record) {
    my @r = $t->get_record($n);
    $r[6] = length($r[6] // '') . ':' . substr($r[6] // '', -1);
    print join('|', map { defined ? $_ : '<NULL>' } @r), "\n";
}
)",
                       {(dir / "SAMPLE.DBF").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0|R0|1234.56|0.125|20260109|1|0:\n"
                     "1|R1|-12.5|0.125|<NULL>|0|1:b\n"
                     "0|R2|1234.56|0.125|20260309|<NULL>|504:|\n"
                     "0|R3|-12.5|0.125|20260409|0|505:|\n"
                     "0|R4|1234.56|0.125|20260509|1|1800:|\n");

    // The memo file's header: next free block past the end, block size 512.
    std::string dbt = readBytes(dir / "SAMPLE.DBT");
    auto u32 = [&](std::size_t at) {
        return static_cast<unsigned char>(dbt[at]) | static_cast<unsigned char>(dbt[at + 1]) << 8 |
               static_cast<unsigned char>(dbt[at + 2]) << 16;
    };
    EXPECT_EQ(dbt.size() % 512, 0u);
    EXPECT_EQ(u32(0), dbt.size() / 512);
    EXPECT_EQ(u32(20) & 0xFFFF, 512u);
    EXPECT_EQ(dbt.size() / 512, 1u + 1 + 1 + 2 + 4); // 504 + 8 fits one block, 505 + 8 needs two
}

TEST(DbfReaders, WeReadAndExtendTablesThatPerlXBaseWrites) {
    if (!support::havePerlXBase())
        GTEST_SKIP() << "Perl XBase is not installed";
    TempDir dir;
    Outcome w = script(dir, "perl", "write.pl", R"(
use XBase;
my ($dir, $version) = @ARGV;
my $t = XBase->create(name => "$dir/perl$version.dbf", version => $version,
    field_names => ['NAME', 'AMOUNT', 'DAY', 'OK', 'NOTE'], field_types => ['C', 'N', 'D', 'L', 'M'],
    field_lengths => [12, 9, 8, 1, 10], field_decimals => [0, 2, 0, 0, 0]) or die XBase->errstr;
$t->set_record(0, 'first', 12.5, '20260131', 1, 'memo text') or die $t->errstr;
$t->set_record(1, 'second', -0.75, undef, undef, 'x' x 700) or die $t->errstr;
$t->set_record(2, 'gone', 1, '19991231', 0, undef) or die $t->errstr;
$t->delete_record(2);
$t->close;
)",
                       {dir.path().string(), "139"});
    ASSERT_EQ(w.status, 0) << w.err;
    ASSERT_EQ(
        script(dir, "perl", "write.pl", readBytes(dir / "write.pl"), {dir.path().string(), "3"})
            .status,
        0);

    for (const char* name : {"perl139.dbf", "perl3.dbf"}) {
        SCOPED_TRACE(name);
        auto t = openTable(dir / name);
        auto* details = dynamic_cast<dbase::DbaseDetails*>(t.get());
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(details->lastUpdate().year(), Date::today().year()); // Perl writes year mod 100
        ASSERT_EQ(t->rowCount(), 3u);
        EXPECT_EQ(t->read(1),
                  (Record{Value("first"), Value(12.5), Value(Date::fromYmd(2026, 1, 31)),
                          Value(true), Value("memo text")}));
        Record second = t->read(2);
        EXPECT_EQ(second[1], Value(-0.75));
        EXPECT_TRUE(second[2].isNull());
        EXPECT_TRUE(second[3].isNull()); // Perl writes '?'
        EXPECT_EQ(second[4], Value(std::string(700, 'x')));
        EXPECT_TRUE(t->isDeleted(3));
        EXPECT_FALSE(t->isDeleted(1));
        EXPECT_TRUE(t->check().empty()) << ::testing::PrintToString(t->check());

        // Our append to their table reads back in Perl.
        t->append({Value("ours"), Value(3.0), Value(Date::fromYmd(2026, 12, 1)), Value(false),
                   Value("appended memo")});
        t.reset();
        Outcome r = support::run({"dbf_dump", "--fs", "|", (dir / name).string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("ours|3|20261201|0|appended memo"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("first|12.5|20260131|1|memo text"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("gone"), std::string::npos) << r.out; // dbf_dump skips deleted
    }
}
