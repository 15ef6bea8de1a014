// The restore is all or nothing, and takes what other engines write.
#include "RestoreFixture.h"
#include "SecondProgram.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

// A T_BASE as another engine writes it: the numbers five digits wide (or
// `width`), the sample floppy's rows in it, and the dictionary's tags.
void writeWideBase(const fs::path& dir, const fs::path& rowsFrom, int width) {
    FieldList wide = dictionary::baseLayout();
    for (FieldDef& field : wide)
        if (field.type == FieldType::Numeric)
            field.length = width;
    auto source = openTable(rowsFrom / "T_BASE.DBF");
    auto table = createTable(dir / "T_BASE.DBF", wide, true);
    for (RowId row = 1; row <= source->rowCount(); ++row)
        table->append(source->read(row));
    for (const IndexDef& tag : dictionary::baseTags())
        table->addIndex(tag);
}

// Writes `text` over one field of one record, as a damaged disk shows it.
void patchField(const fs::path& dbf, RowId row, const std::string& field, const std::string& text) {
    std::ifstream in(dbf, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                           << 8;
    };
    std::size_t offset = u16(8) + (row - 1) * u16(10) + 1;
    for (const FieldDef& def : openTable(dbf)->fields()) {
        if (def.name == field)
            break;
        offset += def.length;
    }
    bytes.replace(offset, text.size(), text);
    std::ofstream(dbf, std::ios::binary | std::ios::trunc) << bytes;
}

int fileMode(const fs::path& file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST_F(Restore, AProgramHoldingTheDictionaryIsNamedAndNothingChanges) {
    dictionary::writeSampleDictionary(system, false);
    std::vector<std::string> before = dictionaryFiles();
    for (const char* held : {"T_PROD.DBF", "T_BASE.DBF"}) {
        boxes.clear();
        SecondProgram other(system / held);
        restore();
        QString error = errorShown();
        EXPECT_TRUE(error.contains(QString::fromStdString((system / held).string()) +
                                   " is in use by hold-table (process "))
            << error.toStdString();
        EXPECT_EQ(dictionaryFiles(), before) << held;
        EXPECT_TRUE(Menu_Vadem->Btn01->isEnabled());
        expectWorkTablesPointedBack();
    }
    // Once the other program has closed the table, the restore goes through.
    boxes.clear();
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));
}

TEST_F(Restore, ADictionaryOfAnotherEngineWithWiderNumbersIsTaken) {
    dictionary::writeSampleDictionary(system, false);
    dictionary::writeSampleDictionary(root / "sample", true);
    writeWideBase(floppy, root / "sample", 5);
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(bytes(system / "T_BASE.DBF"), bytes(floppy / "T_BASE.DBF"));
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));
    // The field rows read back in position order, numbers and all.
    TTable fields;
    fields.SetDatabaseName(system.string());
    fields.SetTableName("T_BASE");
    fields.SetIndexName("BASE02");
    fields.Open();
    int numbered = 0;
    for (; !fields.Eof(); fields.Next())
        if (fields.FieldByName("TMTIPO").AsString() == "B")
            numbered += fields.FieldByName("TMNRIG").AsInteger() > 0;
    EXPECT_GT(numbered, 5);
}

TEST_F(Restore, ValuesTheDictionaryCannotReadAreRefused) {
    dictionary::writeSampleDictionary(system, false);
    dictionary::writeSampleDictionary(root / "sample", true);
    std::vector<std::string> before = dictionaryFiles();

    patchField(floppy / "T_BASE.DBF", 2, "TMNRIG", "ab!x");
    restore();
    QString error = errorShown();
    EXPECT_TRUE(error.contains("T_BASE.DBF is not a usable dictionary table") &&
                error.contains("record 2"))
        << error.toStdString();
    EXPECT_EQ(dictionaryFiles(), before);

    // Wide numbers are taken, but only with values of 16 bits.
    boxes.clear();
    writeWideBase(floppy, root / "sample", 6);
    patchField(floppy / "T_BASE.DBF", 3, "TMSIZE", " 40000");
    restore();
    error = errorShown();
    EXPECT_TRUE(error.contains("record 3: TMSIZE holds 40000, which is not a 16-bit whole number"))
        << error.toStdString();
    EXPECT_EQ(dictionaryFiles(), before);

    // Another layout is named field by field.
    boxes.clear();
    FieldList decimals = dictionary::baseLayout();
    decimals[2].decimals = 1;
    createTable(floppy / "T_BASE.DBF", decimals, true);
    restore();
    error = errorShown();
    EXPECT_TRUE(error.contains("field 3 is TMNRIG N 4 1 where the dictionary has TMNRIG N 4"))
        << error.toStdString();
    EXPECT_EQ(dictionaryFiles(), before);
}

TEST_F(Restore, FloppyTablesWithoutIndexesAreMergedAndADamagedLocalIndexIsMended) {
    dictionary::writeSampleDictionary(system, false);
    fs::remove(floppy / "T_PROD.MDX");
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(applications(system).size(), 4u);
    EXPECT_EQ(bytes(system / "T_BASE.DBF"), bytes(floppy / "T_BASE.DBF"));

    // A local index cut short is rebuilt from its table before the merge.
    std::string index = bytes(system / "T_PROD.MDX");
    std::ofstream(system / "T_PROD.MDX", std::ios::binary | std::ios::trunc)
        << index.substr(0, 700);
    dictionary::writeSampleDictionary(root / "sample", true);
    for (const char* file : {"T_PROD.DBF", "T_PROD.MDX"})
        fs::copy_file(root / "sample" / file, floppy / file, fs::copy_options::overwrite_existing);
    setApplication(floppy, "ZZ", "Later", true, "01/12/2026");
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_EQ(errorShown(), "");
    EXPECT_TRUE(openTable(system / "T_PROD.DBF")->check().empty());
    auto apps = applications(system);
    ASSERT_EQ(apps.size(), 5u);
    EXPECT_EQ(apps.back(), (App{"ZZ", "Later", "", false, ""}));
}

TEST_F(Restore, AWriteProtectedFloppyIsReadAndTheRestoredFilesKeepTheLocalModes) {
    dictionary::writeSampleDictionary(system, false);
    fs::permissions(system / "T_BASE.DBF", fs::perms(0640));
    fs::permissions(system / "T_PROD.DBF", fs::perms(0600));
    for (const auto& entry : fs::directory_iterator(floppy))
        fs::permissions(entry.path(), fs::perms(0444));
    mode_t mask = ::umask(027);

    restore(); // the merge reads the floppy's T_PROD
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(fileMode(system / "T_BASE.DBF"), 0640);
    EXPECT_EQ(fileMode(system / "T_BASE.MDX"), 0644);
    EXPECT_EQ(fileMode(system / "T_PROD.DBF"), 0600);
    EXPECT_EQ(applications(system).size(), 4u);
    setApplication(system, "PR", "Planned", true, "03/12/2026"); // still writable

    // New files get the user's default, not the floppy's 0444.
    for (const char* file : {"T_PROD.DBF", "T_PROD.MDX"})
        fs::remove(system / file);
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    ::umask(mask);
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(fileMode(system / "T_PROD.DBF"), 0640);
    EXPECT_EQ(fileMode(system / "T_PROD.MDX"), 0640);
    setApplication(system, "PR", "Planned", true, "03/12/2026");
}

TEST_F(Restore, ADamagedLocalApplicationListGivesWayToTheFloppysAndIsKeptAside) {
    dictionary::writeSampleDictionary(system, false);
    std::string whole = bytes(system / "T_PROD.DBF");
    std::string damaged = whole.substr(0, 40); // the header cut short
    std::ofstream(system / "T_PROD.DBF", std::ios::binary | std::ios::trunc) << damaged;
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(bytes(system / "T_PROD.DBF"), bytes(floppy / "T_PROD.DBF"));
    EXPECT_EQ(bytes(system / "T_PROD.DBF.damaged"), damaged);
    EXPECT_EQ(applications(system).size(), 4u);

    // Without a list on the floppy to take its place, nothing changes.
    std::ofstream(system / "T_PROD.DBF", std::ios::binary | std::ios::trunc) << damaged;
    for (const char* file : {"T_PROD.DBF", "T_PROD.MDX"})
        fs::remove(floppy / file);
    std::vector<std::string> before = dictionaryFiles();
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_TRUE(errorShown().contains("T_PROD.DBF is damaged and drive A: has no T_PROD.DBF"))
        << errorShown().toStdString();
    EXPECT_EQ(dictionaryFiles(), before);
}

TEST_F(Restore, ADictionaryDirectoryTheUserMayNotWriteIsSaidAndStays) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes any directory; RestoreAsUser runs this case as nobody";
    dictionary::writeSampleDictionary(system, false);
    std::vector<std::string> before = dictionaryFiles();
    fs::permissions(system, fs::perms(0555));
    restore();
    fs::permissions(system, fs::perms(0755));
    QString error = errorShown();
    EXPECT_TRUE(error.startsWith("The dictionary was not restored: Cannot create " +
                                 QString::fromStdString(system.string())))
        << error.toStdString();
    EXPECT_EQ(dictionaryFiles(), before);
}
