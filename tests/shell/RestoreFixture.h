#pragma once

#include "ShellWorkspace.h"
#include "support/FileBytes.h"

#include "dictionary/DemoWorkspace.h"
#include "dictionary/Dm_Vadem.h"
#include "dictionary/Layouts.h"
#include "engine/drivers/Tables.h"
#include "shell/Menu_Vadem.h"

#include <QApplication>
#include <QToolButton>

#include <fstream>

struct App {
    std::string code, name, directory;
    bool installed;
    std::string date; // dd/mm/yyyy or empty
    friend bool operator==(const App&, const App&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const App& a) {
    return out << a.code << "|" << a.name << "|" << a.directory << "|" << a.installed << "|"
               << a.date;
}

inline void openProd(engine::TTable& prod, const std::filesystem::path& dir) {
    prod.SetDatabaseName(dir.string());
    prod.SetTableName("T_PROD");
    prod.SetIndexName("PROD00");
    prod.Open();
}

inline std::vector<App> applications(const std::filesystem::path& dir) {
    engine::TTable prod;
    openProd(prod, dir);
    std::vector<App> apps;
    for (; !prod.Eof(); prod.Next())
        apps.push_back(
            {prod.FieldByName("TMSUFF").AsString(), prod.FieldByName("TMDESC").AsString(),
             prod.FieldByName("TMNLIB").AsString(), prod.FieldByName("TMBIST").AsBoolean(),
             prod.FieldByName("TMDIST").AsString()});
    return apps;
}

inline void setApplication(const std::filesystem::path& dir, const std::string& code,
                           const std::string& name, bool installed, const std::string& date) {
    engine::TTable prod;
    openProd(prod, dir);
    if (prod.FindKey({engine::Value(code)}))
        prod.Edit();
    else
        prod.Insert();
    prod.FieldByName("TMSUFF").SetAsString(code);
    prod.FieldByName("TMDESC").SetAsString(name);
    prod.FieldByName("TMBIST").SetAsBoolean(installed);
    prod.FieldByName("TMDIST").SetAsString(date);
    prod.Post();
}

inline bool hasBaseTable(const std::filesystem::path& dir, const std::string& name) {
    engine::TTable base;
    base.SetDatabaseName(dir.string());
    base.SetTableName("T_BASE");
    base.SetIndexName("BASE00");
    base.Open();
    return base.FindKey({engine::Value(name)});
}

// The restore on a workspace whose drive A: holds the sample dictionary with
// one application more, driven through the menu as the user does.
class Restore : public ShellWorkspace {
protected:
    void SetUp() override {
        ShellWorkspace::SetUp();
        dictionary::writeSampleDictionary(floppy, true); // has "PR", ORDPROD, CICLI
        start();
    }
    // Answers Yes and restores through the button.
    void restore() {
        boxes.answer(ui::Answer::Yes);
        Menu_Vadem->Btn01->click();
    }
    void expectWorkTablesPointedBack() {
        for (engine::TTable* table : {&Dm_Vadem->tmTable, &Dm_Vadem->tmDmmys}) {
            EXPECT_FALSE(table->Active()) << table->Name;
            EXPECT_EQ(table->DatabaseName(), "DBZET") << table->Name;
            EXPECT_EQ(table->TableName(), "") << table->Name;
            EXPECT_EQ(table->IndexName(), "") << table->Name;
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    // The files of the local dictionary, byte for byte (empty when missing),
    // and nothing left of a restore's staging.
    std::vector<std::string> dictionaryFiles() const {
        std::vector<std::string> files;
        for (const char* file : {"T_BASE.DBF", "T_BASE.MDX", "T_PROD.DBF", "T_PROD.MDX"})
            files.push_back(support::readBytes(system / file));
        for (const auto& entry : std::filesystem::directory_iterator(system))
            files.push_back(entry.path().filename().string());
        return files;
    }
    QString errorShown() const {
        for (const ui::DialogBox& box : boxes.shown())
            if (box.icon == ui::BoxIcon::Stop)
                return box.text;
        return {};
    }
};
