// The field and index checks that the create and the index build apply,
// asked before anything is written: every problem at once, and the create
// refuses the first of the same problems.
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> subjects(const DefinitionProblems& problems) {
    std::vector<std::string> out;
    for (const DefinitionProblem& problem : problems)
        out.push_back(problem.subject);
    return out;
}

TEST(DefinitionChecks, EveryFieldProblemOfEitherFormatIsFoundAndTheCreateRefusesTheFirst) {
    FieldList fields{{"CODE", FieldType::Character, 6, 0},   {"EMPTY", FieldType::Character, 0, 0},
                     {"WIDE", FieldType::Character, 300, 0}, {"RATE", FieldType::Numeric, 10, 12},
                     {"code", FieldType::Character, 4, 0},   {"A/B", FieldType::Character, 4, 0}};
    DefinitionProblems dbase = checkFields(TableKind::DBase, fields);
    EXPECT_EQ(subjects(dbase),
              (std::vector<std::string>{"A/B", "EMPTY", "WIDE", "RATE", "CODE", "A/B"}));
    DefinitionProblems paradox = checkFields(TableKind::Paradox, fields);
    // Numeric is a dBase type: a Paradox number is a Double.
    EXPECT_EQ(subjects(paradox),
              (std::vector<std::string>{"A/B", "EMPTY", "WIDE", "RATE", "code"}));

    support::TempDir dir;
    try {
        createTable(dir.path() / "T.DBF", fields);
        ADD_FAILURE() << "created";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.code(), dbase.front().code);
        EXPECT_NE(std::string(error.what()).find(dbase.front().text), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(checkFields(TableKind::DBase, {{"CODE", FieldType::Character, 6, 0}}).empty());
}

TEST(DefinitionChecks, TagsAreCompiledAgainstTheNewFieldsAndKeysMeasured) {
    FieldList fields{{"CODE", FieldType::Character, 6, 0},
                     {"NAME", FieldType::Character, 200, 0},
                     {"NOTE", FieldType::Memo, 10, 0}};
    std::vector<IndexDef> tags{{"BYCODE", "CODE"},
                               {"BYNONE", "CITY"},
                               {"BYWHEN", "CODE", "CODE > 3"},
                               {"LONG", "NAME"},
                               {"bycode", "UPPER(CODE)"}};
    EXPECT_EQ(subjects(checkIndexes(TableKind::DBase, fields, tags)),
              (std::vector<std::string>{"BYNONE", "BYWHEN", "LONG", "bycode"}));

    IndexDef primary{"", "NAME", "", false, false, true};
    IndexDef onMemo{"N", "NOTE"};
    EXPECT_EQ(subjects(checkIndexes(TableKind::Paradox, fields, {primary, onMemo})),
              (std::vector<std::string>{"", "N"}));
    primary.expression = "CODE;NAME";
    EXPECT_TRUE(checkIndexes(TableKind::Paradox, fields, {primary}).empty());
}

} // namespace
