#include "DictionaryFixture.h"
#include "support/Process.h"

#include "engine/base/EngineError.h"

#include <vector>

using namespace engine;

namespace {

std::vector<std::string> walk(TTable& t, const char* field) {
    std::vector<std::string> seen;
    for (t.First(); !t.Eof(); t.Next())
        seen.push_back(t.FieldByName(field).AsString());
    return seen;
}

class TableNavigation : public DictionaryFixture {
protected:
    void SetUp() override {
        DictionaryFixture::SetUp();
        addBase("ORDERS", "SA", "Customer orders");
        addBase("CLIENTS", "SA", "Clients");
        addBase("ARTICLES", "MA", "Articles");
        addField("ORDERS", 2, "AMOUNT", "N", 12);
        addField("ORDERS", 1, "CODE", "C", 10);
        addField("ORDERS", 10, "NOTE", "M", 10);
        addField("CLIENTS", 1, "NAME", "C", 40);
        addIndexRow("ORDERS", "BYCODE", "CODE");
    }
};

TEST_F(TableNavigation, FilterAndIndexOrder) {
    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    EXPECT_EQ(walk(base, "TMNPFM"), (std::vector<std::string>{"ARTICLES", "CLIENTS", "ORDERS"}));
    EXPECT_TRUE(base.Eof());

    base.Last();
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "ORDERS");
    base.Prior();
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "CLIENTS");
    base.Prior();
    base.Prior();
    EXPECT_TRUE(base.Bof());
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "ARTICLES");

    base.SetIndexName("BASE03");
    EXPECT_EQ(walk(base, "TMNPFM"), (std::vector<std::string>{"ARTICLES", "CLIENTS", "ORDERS"}));

    TTable fields;
    openBase(fields, "[TMTIPO]='B' AND NOT [TMTFLD]='M'", "BASE02");
    EXPECT_EQ(walk(fields, "TMNFLD"), (std::vector<std::string>{"NAME", "CODE", "AMOUNT"}));

    TTable natural;
    openBase(natural, "", "");
    EXPECT_EQ(walk(natural, "TMTIPO").size(), 8u);
}

TEST_F(TableNavigation, RangesOnCompositeKeys) {
    TTable fields;
    openBase(fields, "[TMTIPO]='B'", "BASE02");
    fields.SetRangeStart();
    fields.FieldByName("TMNPFM").SetAsString("ORDERS");
    fields.SetRangeEnd();
    fields.FieldByName("TMNPFM").SetAsString("ORDERS");
    fields.FieldByName("TMNRIG").SetAsInteger(999);
    fields.ApplyRange();
    EXPECT_EQ(walk(fields, "TMNRIG"), (std::vector<std::string>{"1", "2", "10"}));
    fields.Last();
    EXPECT_EQ(fields.FieldByName("TMNFLD").AsString(), "NOTE");

    // Refresh keeps the range; a row added meanwhile shows up in it.
    addField("ORDERS", 3, "DAY", "D", 8);
    addField("ARTICLES", 3, "PRICE", "N", 8);
    fields.Refresh();
    EXPECT_EQ(walk(fields, "TMNRIG"), (std::vector<std::string>{"1", "2", "3", "10"}));

    fields.CancelRange();
    EXPECT_EQ(walk(fields, "TMNFLD").size(), 6u);

    TTable rows;
    openBase(rows, "", "BASE01");
    rows.SetRangeStart();
    rows.FieldByName("TMNPFM").SetAsString("ORDERS");
    rows.FieldByName("TMNFLD").SetAsString("");
    rows.SetRangeEnd();
    rows.FieldByName("TMNPFM").SetAsString("ORDERS");
    rows.FieldByName("TMNFLD").SetAsString("zzz");
    rows.ApplyRange();
    EXPECT_EQ(walk(rows, "TMNFLD"),
              (std::vector<std::string>{"", "AMOUNT", "BYCODE", "CODE", "DAY", "NOTE"}));

    rows.SetRangeStart();
    rows.FieldByName("TMNPFM").SetAsString("NOTHERE");
    rows.SetRangeEnd();
    rows.FieldByName("TMNPFM").SetAsString("NOTHERE");
    rows.ApplyRange();
    EXPECT_TRUE(rows.Eof());
    EXPECT_TRUE(rows.IsEmpty());
}

TEST_F(TableNavigation, KeysAndNearestKeys) {
    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    EXPECT_TRUE(base.FindKey({"CLIENTS"}));
    EXPECT_EQ(base.FieldByName("TMDESC").AsString(), "Clients");
    EXPECT_FALSE(base.FindKey({"CLIENT"}));
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "CLIENTS"); // a failed search does not move

    base.SetKey();
    base.FieldByName("TMNPFM").SetAsString("B");
    base.GotoNearest();
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "CLIENTS");
    base.SetKey();
    base.FieldByName("TMNPFM").SetAsString("ZZ");
    base.GotoNearest();
    EXPECT_TRUE(base.Eof());
    EXPECT_EQ(base.FieldByName("TMNPFM").AsString(), "ORDERS");

    base.SetKey();
    base.FieldByName("TMNPFM").SetAsString("ARTICLES");
    EXPECT_TRUE(base.GotoKey());
    EXPECT_EQ(base.FieldByName("TMSUFF").AsString(), "MA");

    // Composite key: table name and row number; the filter hides other kinds.
    TTable fields;
    openBase(fields, "[TMTIPO]='B'", "BASE02");
    EXPECT_TRUE(fields.FindKey({"ORDERS", 10}));
    EXPECT_EQ(fields.FieldByName("TMNFLD").AsString(), "NOTE");
    EXPECT_FALSE(fields.FindKey({"ORDERS", 7}));

    TTable natural;
    openBase(natural, "", "");
    EXPECT_THROW(natural.FindKey({"ORDERS"}), EngineError);
    TTable wrong;
    EXPECT_THROW(openBase(wrong, "", "NOSUCH"), EngineError);
    TTable badFilter;
    EXPECT_THROW(openBase(badFilter, "[NOFIELD]='A'", ""), EngineError);
}

TEST_F(TableNavigation, TwoDatasetsOnOneFile) {
    TTable a, b;
    openBase(a, "[TMTIPO]='A'", "BASE00");
    openBase(b, "[TMTIPO]='A'", "BASE03");
    a.Insert();
    a.FieldByName("TMTIPO").SetAsString("A");
    a.FieldByName("TMNPFM").SetAsString("BILLS");
    a.Post();
    b.Refresh();
    EXPECT_EQ(walk(b, "TMNPFM").size(), 4u);
    b.GotoCurrent(a);
    EXPECT_EQ(b.FieldByName("TMNPFM").AsString(), "BILLS");

    // An edit through one is read by the other after a refresh.
    a.Edit();
    a.FieldByName("TMDESC").SetAsString("Invoices");
    a.Post();
    b.Refresh();
    EXPECT_EQ(b.FieldByName("TMDESC").AsString(), "Invoices");

    a.Delete();
    b.Refresh();
    EXPECT_EQ(walk(b, "TMNPFM"), (std::vector<std::string>{"ARTICLES", "CLIENTS", "ORDERS"}));
}

TEST_F(TableNavigation, RowsWrittenByAnotherProgramAppearAfterARefresh) {
    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    // Another program (a child process with its own handle) adds two tables
    // and enough field rows to split the index trees.
    int status = support::inChildProcess([&] {
        auto file = openTable(tbase, OpenOptions{false, false});
        Record row(file->fields().size());
        for (const char* name : {"ZONES", "BILLS"}) {
            row[0] = Value("A");
            row[3] = Value(name);
            file->append(row);
        }
        for (int i = 0; i < 300; ++i) {
            row[0] = Value("B");
            row[3] = Value("T" + std::to_string(1000 + i));
            file->append(row);
        }
        return 0;
    });
    ASSERT_EQ(status, 0);
    base.Refresh();
    EXPECT_EQ(walk(base, "TMNPFM"),
              (std::vector<std::string>{"ARTICLES", "BILLS", "CLIENTS", "ORDERS", "ZONES"}));
    EXPECT_TRUE(base.FindKey({"ZONES"}));
}

} // namespace
