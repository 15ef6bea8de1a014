// Field descriptors no Paradox table can have: the open refuses those that
// leave the record's layout unknown, check names the others.
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

using namespace engine;

namespace {

// Header offsets of a table written at level 5 (it has logical fields).
constexpr std::size_t kRecordSize = 0x00, kNumFields = 0x21, kKeyFields = 0x23, kDescriptors = 0x78;

// Field numbers (from 1) of the table below.
enum Field {
    CODE = 1,
    AMOUNT,
    PAY,
    DAY,
    QTY,
    COUNT,
    AT,
    STAMP,
    OK,
    SEQ,
    TOTAL,
    RAW,
    NOTE,
    SPARE,
    PIC,
    FMT,
    BIN,
    OBJ
};

// A keyed table with a field of every type; NOTE, SPARE and PIC stay blank,
// so that their bytes may move between them without changing any value.
void makeTable(const std::filesystem::path& path) {
    auto t = createTable(path, {{"CODE", FieldType::Character, 8, 0},
                                {"AMOUNT", FieldType::Double, 0, 0},
                                {"PAY", FieldType::Currency, 0, 0},
                                {"DAY", FieldType::Date, 0, 0},
                                {"QTY", FieldType::Short, 0, 0},
                                {"COUNT", FieldType::Long, 0, 0},
                                {"AT", FieldType::Time, 0, 0},
                                {"STAMP", FieldType::Timestamp, 0, 0},
                                {"OK", FieldType::Logical, 0, 0},
                                {"SEQ", FieldType::AutoInc, 0, 0},
                                {"TOTAL", FieldType::Bcd, 0, 2},
                                {"RAW", FieldType::Bytes, 4, 0},
                                {"NOTE", FieldType::Memo, 5, 0},
                                {"SPARE", FieldType::Character, 250, 0},
                                {"PIC", FieldType::Graphic, 0, 0},
                                {"FMT", FieldType::FormattedMemo, 0, 0},
                                {"BIN", FieldType::Binary, 0, 0},
                                {"OBJ", FieldType::Ole, 0, 0}});
    t->addIndex({"", "CODE", "", false, false, true, false});
    for (int i = 1; i <= 3; ++i)
        t->append({"K" + std::to_string(i), 1.5 * i, 2.25 * i, Date::fromYmd(2024, 2, i), i,
                   100000 * i, Value(), Value(), i % 2 == 1, Value(), Value(), Value(), Value(),
                   Value(), Value(), "rich text", "bytes", Value()});
}

// The sound table's files and one damaged copy of its .DB at a time.
struct Damaged {
    support::TempDir dir{"paradox-desc"};
    std::filesystem::path path = dir / "T.DB";
    std::string sound;

    Damaged() {
        makeTable(path);
        sound = support::readBytes(path);
    }
    // The sound .DB with these bytes changed.
    void write(std::initializer_list<std::pair<std::size_t, unsigned char>> changes) {
        std::string bytes = sound;
        for (auto [at, value] : changes)
            bytes[at] = static_cast<char>(value);
        support::writeBytes(path, bytes);
    }
    static std::size_t code(Field f) { return kDescriptors + 2 * (f - 1); }
    static std::size_t size(Field f) { return code(f) + 1; }
    std::size_t name(const std::string& text) const {
        std::size_t at = sound.find(text + '\0');
        EXPECT_NE(at, std::string::npos) << text;
        return at;
    }
    unsigned char sizeOf(Field f) const { return static_cast<unsigned char>(sound[size(f)]); }

    // The message of the open's FileCorrupt error, after "File <path>: ".
    std::string openError() const {
        try {
            openTable(path);
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::FileCorrupt) << e.what();
            std::string prefix = "File " + path.string() + ": ";
            std::string what = e.what();
            EXPECT_EQ(what.rfind(prefix, 0), 0u) << what;
            return what.substr(prefix.size());
        }
        return "(opens)";
    }
    std::vector<std::string> check() const { return openTable(path)->check(); }
};

std::string pxlibReads(const std::filesystem::path& db, const std::filesystem::path& px) {
    support::RunOptions options;
    options.errorsToOutput = true;
    std::string out = support::run({PX_INDEX_READER, db.string(), px.string()}, options).out;
    return out.substr(0, out.find('\n') + 1); // its first line
}

} // namespace

TEST(ParadoxDescriptorCheck, TablesOurEngineWritesAreSound) {
    Damaged d;
    EXPECT_EQ(d.check(), std::vector<std::string>{});
    if (support::havePxlib(PX_INDEX_READER))
        EXPECT_EQ(pxlibReads(d.path, d.dir / "T.PX"), "ok 1 3\n");

    // The edges of what a descriptor may hold.
    auto t = createTable(d.dir / "EDGES.DB", {{"SHORTEST", FieldType::Memo, 1, 0},
                                              {"LONGEST", FieldType::Memo, 240, 0},
                                              {"NOLEAD", FieldType::Binary, 0, 0},
                                              {"FULL", FieldType::Bcd, 0, 32},
                                              {"WIDE", FieldType::Character, 255, 0},
                                              {"WHOLE", FieldType::Bcd, 0, 0}});
    t->append({"a", std::string(300, 'b'), "c", Value(), "d", 7});
    EXPECT_EQ(t->check(), std::vector<std::string>{});
}

TEST(ParadoxDescriptorCheck, DescriptorsThatLeaveTheLayoutUnknownRefuseTheOpen) {
    Damaged d;
    d.write({{Damaged::code(AMOUNT), 0x07}});
    EXPECT_EQ(d.openError(), "field AMOUNT has type code 0x07, which is no Paradox field type");
    d.write({{Damaged::code(OBJ), 0xFF}});
    EXPECT_EQ(d.openError(), "field OBJ has type code 0xFF, which is no Paradox field type");

    // Every fixed-size type, one byte larger than it is.
    const std::pair<Field, const char*> fixed[] = {
        {AMOUNT, "field AMOUNT (Number) has size 9, not 8"},
        {PAY, "field PAY (Money) has size 9, not 8"},
        {DAY, "field DAY (Date) has size 5, not 4"},
        {QTY, "field QTY (Short) has size 3, not 2"},
        {COUNT, "field COUNT (Long integer) has size 5, not 4"},
        {AT, "field AT (Time) has size 5, not 4"},
        {STAMP, "field STAMP (Timestamp) has size 9, not 8"},
        {OK, "field OK (Logical) has size 2, not 1"},
        {SEQ, "field SEQ (Autoincrement) has size 5, not 4"},
    };
    for (auto [field, message] : fixed) {
        d.write({{Damaged::size(field), static_cast<unsigned char>(d.sizeOf(field) + 1)}});
        EXPECT_EQ(d.openError(), message);
    }

    d.write({{Damaged::size(SPARE), 0}});
    EXPECT_EQ(d.openError(), "field SPARE (Alpha) has size 0, outside 1..255");
    d.write({{Damaged::size(RAW), 0}});
    EXPECT_EQ(d.openError(), "field RAW (Bytes) has size 0, outside 1..255");
    d.write({{Damaged::size(NOTE), 9}});
    EXPECT_EQ(d.openError(), "field NOTE (Memo) has size 9, less than its 10-byte blob reference");
    d.write({{Damaged::size(OBJ), 0}});
    EXPECT_EQ(d.openError(), "field OBJ (OLE) has size 0, less than its 10-byte blob reference");

    // A size a type may have, but not the one the records were written with.
    d.write({{Damaged::size(SPARE), 249}});
    EXPECT_EQ(d.openError(),
              "the fields add up to 376 bytes, the header gives a record size of 377");
    d.write({{kRecordSize, 0x78}});
    EXPECT_EQ(d.openError(),
              "the fields add up to 377 bytes, the header gives a record size of 376");

    d.write({{kKeyFields, 19}});
    EXPECT_EQ(d.openError(), "the header gives 19 key fields for 18 fields");
    d.write({{kNumFields, 0}});
    EXPECT_EQ(d.openError(), "the header gives 0 fields, outside 1..255");
    d.write({{kNumFields + 1, 1}});
    EXPECT_EQ(d.openError(), "the header gives 274 fields, outside 1..255");
}

TEST(ParadoxDescriptorCheck, CheckNamesImpossibleDescriptorsOfATableThatOpens) {
    Damaged d;
    // Leaders out of range; SPARE takes up the difference, so the record keeps its size.
    d.write({{Damaged::size(NOTE), 10}, {Damaged::size(SPARE), 255}});
    EXPECT_EQ(d.check(), std::vector<std::string>{
                             "T.DB: field NOTE (Memo) has a leader of 0 bytes, outside 1..240"});
    d.write({{Damaged::size(PIC), 251}, {Damaged::size(SPARE), 9}});
    EXPECT_EQ(d.check(),
              std::vector<std::string>{
                  "T.DB: field PIC (Graphic) has a leader of 241 bytes, outside 0..240"});

    d.write({{Damaged::size(TOTAL), 33}});
    EXPECT_EQ(d.check(),
              std::vector<std::string>{"T.DB: field TOTAL (BCD) has 33 decimals, outside 0..32"});

    // Names: "PAY" becomes "dAY", the same as field 4 but for case.
    d.write({{d.name("PAY"), 'd'}});
    EXPECT_EQ(d.check(), std::vector<std::string>{"T.DB: fields 3 and 4 are both named DAY"});
    d.write({{d.name("OBJ"), 0}});
    EXPECT_EQ(d.check(), std::vector<std::string>{"T.DB: field 18 has no name"});

    // The rows still read, with their values where they were.
    auto t = openTable(d.path);
    auto rows = t->openIndex("");
    ASSERT_TRUE(rows->first());
    Record first = t->read(rows->row());
    EXPECT_EQ(first.at(0).text(), "K1");
    EXPECT_EQ(first.at(1).asDouble(), 1.5);
}
