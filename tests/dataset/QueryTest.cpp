#include "DictionaryFixture.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/sql/Query.h"
#include "engine/table/AppendBatch.h"
#include "engine/values/NumberText.h"

#include <fstream>
#include <vector>

using namespace engine;

namespace {

class Queries : public DictionaryFixture {
protected:
    void SetUp() override {
        DictionaryFixture::SetUp();
        addBase("CLIENTS", "SA", "Clients of the shop");
        addBase("CLIMATE", "MA", "climate readings");
        addBase("ORDERS", "SA", "Customer orders");
        addBase("TMDESC", "SA", "A table named like a column");
        addField("ORDERS", 2, "AMOUNT", "N", 12);
        addField("ORDERS", 1, "CODE", "C", 10);
        addField("ORDERS", 10, "NOTE", "M", 10);
    }

    std::vector<std::string> run(TQuery& q, const char* column) {
        q.DatabaseName = dir.string();
        q.Close();
        q.Open();
        std::vector<std::string> out;
        for (q.First(); !q.Eof(); q.Next())
            out.push_back(q.FieldByName(column).AsString());
        return out;
    }
};

TEST_F(Queries, SearchDialogTexts) {
    TQuery q;
    // Prefix search by description with the filter of the base-table caller.
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMDESC", " BETWEEN :qSetInf AND :qSetSup ",
             " AND TMTIPO=\"A\"", "ORDER BY TMDESC"};
    q.ParamByName("qSetInf").SetAsString("Cl");
    q.ParamByName("qSetSup").SetAsString("Clzzz");
    EXPECT_EQ(run(q, "TMNPFM"), (std::vector<std::string>{"CLIENTS"})); // case-sensitive

    // Loose search: LIKE with the pattern built from the typed letters.
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMDESC", " LIKE \"%C%l%\" ", " AND TMTIPO=\"A\"",
             "ORDER BY TMDESC"};
    EXPECT_EQ(run(q, "TMNPFM"), (std::vector<std::string>{"CLIENTS"}));
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMDESC", " LIKE \"%\" ", " AND TMTIPO=\"A\"",
             "ORDER BY TMNPFM"};
    EXPECT_EQ(run(q, "TMNPFM").size(), 4u);

    // A double-quoted text is a string even where a column of that name exists.
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMNPFM = \"TMDESC\"", "ORDER BY TMNPFM"};
    EXPECT_EQ(run(q, "TMDESC"), (std::vector<std::string>{"A table named like a column"}));

    // Empty text: the filter alone, ordered by code.
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMTIPO=\"A\"", "ORDER BY TMNPFM"};
    EXPECT_EQ(run(q, "TMNPFM"),
              (std::vector<std::string>{"CLIENTS", "CLIMATE", "ORDERS", "TMDESC"}));
}

TEST_F(Queries, ReportTextsAndTypedResults) {
    TQuery q;
    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMTIPO=\"B\" AND TMNPFM=\"ORDERS\"",
             "ORDER BY tmsuff, tmnpfm, tmnrig "};
    EXPECT_EQ(run(q, "TMNFLD"), (std::vector<std::string>{"CODE", "AMOUNT", "NOTE"}));
    q.First();
    EXPECT_EQ(q.FieldByName("TMDATA").AsString(), "11/01/2026");
    EXPECT_EQ(q.FieldByName("TMSIZE").AsInteger(), 10);
    EXPECT_FALSE(q.FieldByName("TMBCAR").AsBoolean());
    EXPECT_THROW(q.Edit(), EngineError);
    // A query is no source of lookup fields: it cannot search its rows.
    try {
        q.Lookup("TMNPFM", {Value("ORDERS")}, "TMDESC");
        ADD_FAILURE() << "a query looked a value up";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::NotSupported);
    }

    q.SQL = {"SELECT * FROM T_BASE", "WHERE TMTIPO=\"A\"", "ORDER BY tmsuff, tmnpfm, tmnrig "};
    EXPECT_EQ(run(q, "TMNPFM"),
              (std::vector<std::string>{"CLIMATE", "CLIENTS", "ORDERS", "TMDESC"}));

    // Dates compare as dates.
    q.SQL = {"SELECT TMNFLD FROM T_BASE WHERE TMDATA > :day ORDER BY TMNFLD"};
    q.ParamByName("day").SetAsDateTime(Date::fromYmd(2026, 1, 10));
    EXPECT_EQ(run(q, "TMNFLD"), (std::vector<std::string>{"AMOUNT", "CODE", "NOTE"}));
}

TEST_F(Queries, ErrorsCarrySqliteMessages) {
    TQuery q;
    q.SQL = {"SELECT * FROM NOSUCH"};
    try {
        run(q, "X");
        FAIL() << "a missing table must fail";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::SqlError);
        EXPECT_NE(std::string(e.what()).find("NOSUCH"), std::string::npos);
    }
    q.SQL = {"SELECT * FROM T_BASE WHERE TMTIPO = :missing"};
    EXPECT_THROW(run(q, "X"), EngineError);
    EXPECT_FALSE(q.Active());
}

TEST_F(Queries, AUniDirectionalResultIsReadRowByRowAndOnlyForward) {
    TQuery q;
    q.UniDirectional = true;
    q.SQL = {"SELECT TMNPFM FROM T_BASE WHERE TMTIPO=\"A\" ORDER BY TMNPFM"};
    EXPECT_EQ(run(q, "TMNPFM"),
              (std::vector<std::string>{"CLIENTS", "CLIMATE", "ORDERS", "TMDESC"}));
    q.Close();
    q.Open();
    q.Next();
    EXPECT_EQ(q.FieldByName("TMNPFM").AsString(), "CLIMATE");
    EXPECT_THROW(q.Prior(), EngineError);
    EXPECT_THROW(q.Last(), EngineError);
    EXPECT_THROW(q.RecordCount(), EngineError);
    // The tables it names are all it opens: a foreign file beside them is no matter.
    std::ofstream(dir / "FOREIGN.DBF") << "not a table";
    EXPECT_EQ(run(q, "TMNPFM").size(), 4u);
}

// The values of row i of BIG: a 20-digit number beyond 64 bits, a text that
// makes the result several megabytes, a memo or none, a date or none.
Record bigRow(int i) {
    std::string digits = std::to_string(100000 + i);
    Value note = i % 10 == 0 ? Value("note of row " + digits) : Value();
    Value day = i % 7 == 0 ? Value() : Value(Date::fromYmd(1990 + i % 30, 1 + i % 12, 1 + i % 28));
    return {Value(*parseDecimal("98765432109876" + digits)), Value(std::string(190, 'x') + digits),
            note, day};
}

// A scrolling result is stepped through once at Open into a store of its
// own: its table is free at once, and every row comes back exactly, in any
// order of moves.
TEST_F(Queries, AScrollingResultFreesItsTablesAndKeepsEveryValue) {
    const int rows = 20000;
    {
        auto big = createTable(dir / "BIG.DBF", {{"N", FieldType::Numeric, 20, 0},
                                                 {"TEXT", FieldType::Character, 200, 0},
                                                 {"NOTE", FieldType::Memo, 10, 0},
                                                 {"DAY", FieldType::Date, 8, 0}});
        AppendBatch batch(*big);
        for (int i = 0; i < rows; ++i)
            big->append(bigRow(i));
        batch.finish();
    }
    TQuery q;
    q.DatabaseName = dir.string();
    q.SQL = {"SELECT N, TEXT, NOTE, DAY FROM BIG", "ORDER BY N DESC"};
    q.Open();
    openTable(dir / "BIG.DBF", {.exclusive = true, .readOnly = false}); // no longer in use

    auto expectRow = [&](int i) {
        Record want = bigRow(i);
        const char* names[] = {"N", "TEXT", "NOTE", "DAY"};
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_EQ(q.FieldByName(names[c]).AsValue(), want[c]) << names[c] << " of row " << i;
    };
    EXPECT_EQ(q.RecordCount(), std::size_t(rows));
    q.Last();
    expectRow(0);
    q.Prior();
    expectRow(1);
    ASSERT_TRUE(q.GotoRecNo(5001));
    expectRow(rows - 5001);
    EXPECT_FALSE(q.GotoRecNo(rows + 1));
    int seen = 0;
    for (q.First(); !q.Eof(); q.Next())
        if (++seen % 997 == 0)
            expectRow(rows - seen);
    EXPECT_EQ(seen, rows);
}

// A unidirectional result keeps its tables open until its last row is read.
TEST_F(Queries, AUniDirectionalResultHoldsItsTablesUntilItsEnd) {
    TQuery q;
    q.UniDirectional = true;
    q.DatabaseName = dir.string();
    q.SQL = {"SELECT TMNPFM FROM T_BASE"};
    q.Open();
    q.First();
    try {
        openTable(dir / "T_BASE.DBF", {.exclusive = true, .readOnly = false});
        FAIL() << "the table is read by the query";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::Locked);
    }
    while (!q.Eof())
        q.Next();
    openTable(dir / "T_BASE.DBF", {.exclusive = true, .readOnly = false});
}

// The text is one statement that reads: nothing else runs, no file is made.
TEST_F(Queries, OnlyOneStatementThatReadsIsRun) {
    TQuery q;
    q.DatabaseName = dir.string();
    const char* refused[] = {"ATTACH \"spare.db\" AS spare",
                             "VACUUM INTO \"copy.db\"",
                             "PRAGMA temp_store = MEMORY",
                             "CREATE TABLE made(x)",
                             "DELETE FROM T_BASE",
                             "SELECT TMNPFM FROM T_BASE; DELETE FROM T_BASE",
                             "SELECT 1; SELECT 2",
                             "",
                             "-- only a comment"};
    for (const char* text : refused) {
        q.SQL = {text};
        try {
            q.Open();
            ADD_FAILURE() << text << " was run";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::SqlError) << text;
            EXPECT_EQ(std::string(e.what()).find("not an error"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(q.Active());
    }
    EXPECT_FALSE(std::filesystem::exists("spare.db"));
    EXPECT_FALSE(std::filesystem::exists("copy.db"));
    q.SQL = {"SELECT TMNPFM FROM T_BASE WHERE TMTIPO=\"A\"; -- the bases", ""};
    EXPECT_EQ(run(q, "TMNPFM").size(), 4u);
    q.SQL = {"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n LIMIT 5)",
             "SELECT x FROM n"};
    EXPECT_EQ(run(q, "x"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

// A text that makes rows without end stops when its result reaches the limit.
TEST_F(Queries, AResultWithoutEndStopsAtItsLimit) {
    TQuery q;
    q.DatabaseName = dir.string();
    q.ResultLimit = 1 << 20;
    q.SQL = {"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n)",
             "SELECT x, \"a line of text to fill the store\" FROM n"};
    try {
        q.Open();
        FAIL() << "the result has no end";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::SqlError);
        EXPECT_STREQ(
            e.what(),
            "The query's result takes more than 1 MB; narrow the query or read it row by row");
    }
    EXPECT_FALSE(q.Active());
}

} // namespace
