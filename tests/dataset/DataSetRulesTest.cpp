#include "DictionaryFixture.h"

#include "engine/base/EngineError.h"
#include "engine/dataset/DataSource.h"

#include <stdexcept>
#include <vector>

using namespace engine;

namespace {

int count(TTable& t) {
    int n = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++n;
    return n;
}

class DataSetRules : public DictionaryFixture {};

TEST_F(DataSetRules, PendingRowsArePostedWhenChangedAndDroppedOtherwise) {
    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    TDataSource source(&base);
    std::vector<TDataSetState> states;
    source.OnStateChange = [&](TDataSource& s) { states.push_back(s.State()); };
    // Presets given on entering insert state are not changes.
    source.OnStateChange = [&](TDataSource& s) {
        states.push_back(s.State());
        if (s.State() == dsInsert)
            base.FieldByName("TMTIPO").SetAsString("A");
    };

    base.Edit(); // on an empty table: an insert
    EXPECT_EQ(base.State(), dsInsert);
    EXPECT_FALSE(base.Modified());
    base.Insert(); // nothing typed: dropped, next one started
    EXPECT_EQ(base.State(), dsInsert);
    base.FieldByName("TMNPFM").SetAsString("FIRST");
    base.Insert(); // typed: stored, next one started
    EXPECT_EQ(base.State(), dsInsert);
    base.FieldByName("TMNPFM").SetAsString("SECOND");
    base.Refresh(); // a refresh stores a changed pending row too
    EXPECT_EQ(base.State(), dsBrowse);
    EXPECT_EQ(count(base), 2);

    base.Insert();
    base.Cancel();
    base.Edit();
    base.Refresh(); // an unchanged edit is dropped
    EXPECT_EQ(base.State(), dsBrowse);
    EXPECT_EQ(count(base), 2);
    EXPECT_EQ(states.front(), dsInsert);
    EXPECT_EQ(states.back(), dsBrowse);

    // Moving stores a changed edit.
    base.First();
    base.Edit();
    base.FieldByName("TMDESC").SetAsString("moved away");
    base.Next();
    base.First();
    EXPECT_EQ(base.FieldByName("TMDESC").AsString(), "moved away");
}

TEST_F(DataSetRules, BeforePostMayAbortKeepingStateAndValues) {
    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    base.BeforePost = [](TDataSet& d) {
        if (d.FieldByName("TMNPFM").AsString().empty())
            throw std::runtime_error("Error. Table name, wanted");
    };
    base.Insert();
    base.FieldByName("TMTIPO").SetAsString("A");
    base.FieldByName("TMDESC").SetAsString("no name yet");
    EXPECT_THROW(base.Post(), std::runtime_error);
    EXPECT_EQ(base.State(), dsInsert);
    EXPECT_EQ(base.FieldByName("TMDESC").AsString(), "no name yet");
    EXPECT_THROW(base.Insert(), std::runtime_error); // the pending row's store fails the same way
    EXPECT_EQ(base.State(), dsInsert);
    base.FieldByName("TMNPFM").SetAsString("NAMED");
    base.Post();
    EXPECT_EQ(base.State(), dsBrowse);
    EXPECT_EQ(count(base), 1);
}

TEST_F(DataSetRules, FieldValuesConvertAndRefuseWhatTheyCannotHold) {
    TTable base;
    openBase(base, "", "BASE00");
    base.Insert();
    TField& size = base.FieldByName("TMSIZE");
    TField& day = base.FieldByName("TMDATA");
    EXPECT_EQ(size.DataType(), ftSmallint);
    EXPECT_EQ(size.AsInteger(), 0); // blank reads 0
    EXPECT_THROW(size.SetAsString("12a"), EngineError);
    EXPECT_THROW(size.SetAsInteger(70000), EngineError);
    EXPECT_THROW(day.SetAsString("31/02/2026"), EngineError);
    EXPECT_THROW(base.FieldByName("TMSUFF").SetAsString("TOO LONG"), EngineError);
    EXPECT_TRUE(size.IsNull());

    size.SetAsString("250");
    day.SetAsString("05/03/2026");
    base.FieldByName("TMBCAR").SetAsBoolean(true);
    base.FieldByName("TMNPFM").SetAsString("T1");
    base.Post();
    EXPECT_EQ(size.AsInteger(), 250);
    EXPECT_EQ(day.AsString(), "05/03/2026");
    EXPECT_EQ(day.AsDateTime(), Date::fromYmd(2026, 3, 5));
    EXPECT_TRUE(base.FieldByName("TMBCAR").AsBoolean());

    base.Edit();
    day.SetAsString(""); // "" empties a date
    base.Post();
    EXPECT_TRUE(day.IsNull());
    EXPECT_EQ(day.AsDateTime().toDmy(), "30/12/1899");
}

TEST_F(DataSetRules, LookupAndCalculatedFields) {
    addBase("ORDERS", "SA", "Customer orders");
    addBase("NOAPP", "", "No application");
    addField("ORDERS", 1, "CODE", "C", 10);
    addField("NOAPP", 1, "X", "C", 1);
    addField("ORPHAN", 1, "Y", "C", 1);

    TTable base;
    openBase(base, "[TMTIPO]='A'", "BASE00");
    TTable fields;
    fields.AddField("TMNPFM", ftString, 10);
    fields.AddField("TMNFLD", ftString, 10);
    fields.AddField("TMNRIG", ftSmallint, 0);
    TField& suff = fields.AddField("SUFF", ftString, 2, fkLookup);
    suff.LookupDataSet = &base;
    suff.KeyFields = "TMNPFM";
    suff.LookupKeyFields = "TMNPFM";
    suff.LookupResultField = "TMSUFF";
    TField& desc = fields.AddField("DPFM", ftString, 60, fkLookup);
    desc.LookupDataSet = &base;
    desc.KeyFields = "TMNPFM";
    desc.LookupKeyFields = "TMNPFM";
    desc.LookupResultField = "TMDESC";
    fields.AddField("JMP1", ftString, 15, fkCalculated);
    fields.OnCalcFields = [](TDataSet& d) {
        d.FieldByName("JMP1").SetAsString(d.FieldByName("SUFF").AsString() +
                                          d.FieldByName("TMNPFM").AsString());
    };
    openBase(fields, "[TMTIPO]='B'", "BASE02");
    EXPECT_EQ(fields.Fields().size(), 6u); // only the declared fields

    std::vector<std::string> groups, descriptions;
    for (fields.First(); !fields.Eof(); fields.Next()) {
        groups.push_back(fields.FieldByName("JMP1").AsString());
        descriptions.push_back(fields.FieldByName("DPFM").AsString());
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"NOAPP", "SAORDERS", "ORPHAN"}));
    EXPECT_EQ(descriptions, (std::vector<std::string>{"No application", "Customer orders", ""}));
    EXPECT_THROW(fields.FieldByName("TMDESC"), EngineError);

    // A row being inserted is calculated from what was typed into it.
    fields.Insert();
    fields.FieldByName("TMNPFM").SetAsString("ORDERS");
    EXPECT_EQ(fields.FieldByName("JMP1").AsString(), "SAORDERS");
    EXPECT_EQ(fields.FieldByName("DPFM").AsString(), "Customer orders");
    fields.Cancel();
}

} // namespace
