#include "RestoreFixture.h"

using namespace engine;
namespace fs = std::filesystem;

TEST_F(Restore, CancelChangesNothing) {
    dictionary::writeSampleDictionary(system, false);
    std::string before = support::readBytes(system / "T_BASE.DBF");
    boxes.answer(ui::Answer::Cancel);
    Menu_Vadem->Btn01->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::DialogBox& box = boxes.shown().front();
    EXPECT_EQ(box.caption, "Confirm");
    EXPECT_EQ(box.text, "Restore Base-Tables.");
    EXPECT_EQ(box.icon, ui::BoxIcon::Question);
    EXPECT_EQ(box.buttonTexts(), (QStringList{"&Yes", "Cancel"}));
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF"), before);
    EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
}

TEST_F(Restore, WithoutLocalApplicationsTheFloppyFilesAreCopiedAsTheyAre) {
    setApplication(floppy, "MA", "Warehouse", true, "15/11/2026");
    restore();
    EXPECT_EQ(errorShown(), "");
    for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
        EXPECT_EQ(support::readBytes(system / file), support::readBytes(floppy / file)) << file;
    for (const auto& entry : fs::directory_iterator(system))
        EXPECT_EQ(entry.path().filename().string().find(".restoring"), std::string::npos);
    auto apps = applications(system);
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[2], (App{"MA", "Warehouse", "MAGAZZ", true, "15/11/2026"}));
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));
    EXPECT_FALSE(Menu_Vadem->Btn01->isEnabled());
    expectWorkTablesPointedBack();
}

TEST_F(Restore, LocalApplicationsStayAndMissingOnesAreAdded) {
    dictionary::writeSampleDictionary(system, false);
    setApplication(system, "MA", "Our warehouse", true, "01/10/2026");
    setApplication(floppy, "FA", "Invoicing", true, "02/10/2026");
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(applications(system),
              (std::vector<App>{{"AN", "Registry of customers and suppliers", "ANAGRAF", false, ""},
                                {"FA", "Invoicing", "FATTURE", false, ""},
                                {"MA", "Our warehouse", "MAGAZZ", true, "01/10/2026"},
                                {"PR", "Production planning", "PRODUZ", false, ""}}));
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF"), support::readBytes(floppy / "T_BASE.DBF"));
    EXPECT_FALSE(Menu_Vadem->Btn01->isEnabled());
    expectWorkTablesPointedBack();
}

TEST_F(Restore, LeftoverIndexAloneCountsAsLocalListAndTheMergeFailsChangingNothing) {
    dictionary::writeSampleDictionary(root / "old", false);
    fs::copy_file(root / "old" / "T_PROD.MDX", system / "T_PROD.MDX");
    std::vector<std::string> before = dictionaryFiles();
    restore();
    QString error = errorShown();
    EXPECT_TRUE(error.contains("T_PROD.DBF") && error.contains("missing")) << error.toStdString();
    EXPECT_TRUE(error.endsWith('.'));
    EXPECT_EQ(boxes.shown().back().caption, "Schedax - Brevon \u00AE");
    EXPECT_EQ(dictionaryFiles(), before); // the base tables were not replaced either
    EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
    expectWorkTablesPointedBack();
}

TEST_F(Restore, DamagedFloppyTableIsRefusedAndNothingChanges) {
    dictionary::writeSampleDictionary(system, false);
    std::vector<std::string> before;
    for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
        before.push_back(support::readBytes(system / file));
    auto unchanged = [&] {
        int i = 0;
        for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
            EXPECT_EQ(support::readBytes(system / file), before[i++]) << file;
        EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    };

    // A table cut short.
    std::string whole = support::readBytes(floppy / "T_BASE.DBF");
    std::ofstream(floppy / "T_BASE.DBF", std::ios::binary | std::ios::trunc)
        << whole.substr(0, whole.size() / 3);
    restore();
    QString error = errorShown();
    EXPECT_TRUE(error.contains("T_BASE.DBF") && error.contains("not a usable dictionary table"))
        << error.toStdString();
    unchanged();

    // A readable table of another layout.
    boxes.clear();
    fs::copy_file(floppy / "T_PROD.DBF", floppy / "T_BASE.DBF",
                  fs::copy_options::overwrite_existing);
    restore();
    EXPECT_TRUE(errorShown().contains("layout")) << errorShown().toStdString();
    unchanged();

    // Not a table at all, in the application list.
    boxes.clear();
    fs::copy_file(system / "T_BASE.DBF", floppy / "T_BASE.DBF",
                  fs::copy_options::overwrite_existing);
    std::ofstream(floppy / "T_PROD.DBF", std::ios::binary | std::ios::trunc) << "not a table";
    restore();
    EXPECT_TRUE(errorShown().contains("T_PROD.DBF")) << errorShown().toStdString();
    unchanged();
}

TEST_F(Restore, AnEngineErrorInTheMergeChangesNothing) {
    // A local list whose names are too narrow for the floppy's rows.
    engine::FieldList narrow = dictionary::prodLayout();
    narrow[0].length = 12;
    {
        auto file = createTable(system / "T_PROD.DBF", narrow);
        file->addIndex(dictionary::prodTags().front());
    }
    dictionary::writeSampleDictionary(root / "old", false);
    for (const char* file : {"T_BASE.DBF", "T_BASE.MDX"})
        fs::copy_file(root / "old" / file, system / file);
    setApplication(system, "AN", "Registry", false, "");
    std::vector<std::string> before = dictionaryFiles();

    restore(); // FA and MA would fit, then the long name of PR stops the merge
    QString error = errorShown();
    EXPECT_TRUE(error.contains("longer than 12")) << error.toStdString();
    EXPECT_EQ(dictionaryFiles(), before);
    EXPECT_EQ(applications(system).size(), 1u);
    expectWorkTablesPointedBack();
    EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
}

TEST_F(Restore, TableWithoutItsIndexGetsTheLocalIndexRebuilt) {
    dictionary::writeSampleDictionary(system, false);
    fs::remove(floppy / "T_BASE.MDX");
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF"), support::readBytes(floppy / "T_BASE.DBF"));
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD")); // found through BASE00
    EXPECT_TRUE(openTable(system / "T_BASE.DBF")->check().empty());

    // An index that does not agree with its table is rebuilt after the copy.
    dictionary::writeSampleDictionary(root / "small", false);
    fs::copy_file(root / "small" / "T_BASE.MDX", floppy / "T_BASE.MDX");
    ASSERT_FALSE(openTable(floppy / "T_BASE.DBF")->check().empty());
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_EQ(errorShown(), "");
    EXPECT_TRUE(hasBaseTable(system, "CICLI"));
    EXPECT_TRUE(openTable(system / "T_BASE.DBF")->check().empty());

    // The other way round: an index alone is rebuilt over the local table.
    dictionary::writeSampleDictionary(system, false);
    dictionary::writeSampleDictionary(root / "other", true);
    fs::remove(floppy / "T_BASE.DBF");
    fs::copy_file(root / "other" / "T_BASE.MDX", floppy / "T_BASE.MDX",
                  fs::copy_options::overwrite_existing);
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger(); // the item works with Btn01 disabled
    EXPECT_EQ(errorShown(), "");
    EXPECT_FALSE(hasBaseTable(system, "ORDPROD"));
    EXPECT_TRUE(hasBaseTable(system, "ARTICOLI"));
    EXPECT_TRUE(openTable(system / "T_BASE.DBF")->check().empty());
}
