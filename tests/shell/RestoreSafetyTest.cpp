// The restore is all or nothing, and takes what other engines write.
#include "RestoreFixture.h"
#include "TableHolder.h"

#include "engine/files/FaultSeam.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace engine;
namespace fs = std::filesystem;

namespace {

// A dictionary table as another engine writes it: our fields in reverse
// order, the numbers `numberWidth` digits wide, every character field
// `wider` characters wider, the rows of `rowsFrom`'s table of that name and
// the dictionary's tags.
void writeForeign(const fs::path& dir, const fs::path& rowsFrom, const std::string& name,
                  int numberWidth, int wider) {
    bool base = name == "T_BASE";
    FieldList ours = base ? dictionary::baseLayout() : dictionary::prodLayout();
    FieldList foreign(ours.rbegin(), ours.rend());
    for (FieldDef& field : foreign) {
        if (field.type == FieldType::Numeric)
            field.length = numberWidth;
        if (field.type == FieldType::Character)
            field.length += wider;
    }
    auto source = openTable(rowsFrom / (name + ".DBF"));
    auto table = createTable(dir / (name + ".DBF"), foreign, true);
    for (RowId row = 1; row <= source->rowCount(); ++row) {
        Record record = source->read(row);
        table->append(Record(record.rbegin(), record.rend()));
    }
    for (const IndexDef& tag : base ? dictionary::baseTags() : dictionary::prodTags())
        table->addIndex(tag);
}

// The live records of a table as dbfread reads them, by our field names.
std::string readByDbfread(const fs::path& dbf, const FieldList& layout) {
    std::string names;
    for (const FieldDef& field : layout)
        names += (names.empty() ? "" : ",") + field.name;
    support::RunOptions options;
    options.errorsToOutput = true;
    support::Outcome read =
        support::run({"/usr/bin/python3", SCHEDAX_SOURCE_DIR "/tests/operations/dbf_rows.py",
                      dbf.string(), names},
                     options);
    EXPECT_EQ(read.status, 0) << read.out;
    return read.out;
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
    auto table = openTable(dbf); // kept open while its fields are read
    for (const FieldDef& def : table->fields()) {
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
        TableHolder other(system / held);
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

// Drive A: holds the sample dictionary with one application more, as
// another engine writes it: fields in another order, wider.
class ForeignRestore : public Restore {
protected:
    void SetUp() override {
        Restore::SetUp();
        dictionary::writeSampleDictionary(root / "sample", true);
        writeForeign(floppy, root / "sample", "T_BASE", 5, 20);
        writeForeign(floppy, root / "sample", "T_PROD", 6, 3);
        // A value filling our width whole, in a field wider than ours.
        TTable base;
        base.SetDatabaseName(floppy.string());
        base.SetTableName("T_BASE");
        base.Open();
        base.Edit();
        base.FieldByName("TMDESC").SetAsString(std::string(75, 'x'));
        base.Post();
        base.Close();
        baseRows = readByDbfread(floppy / "T_BASE.DBF", dictionary::baseLayout());
        ASSERT_NE(baseRows.find(std::string(75, 'x')), std::string::npos);
    }
    // The local files have our layout and the floppy's values.
    void expectTakenInOurLayout() {
        EXPECT_EQ(errorShown(), "");
        EXPECT_EQ(openTable(system / "T_BASE.DBF")->fields(), dictionary::baseLayout());
        EXPECT_EQ(openTable(system / "T_PROD.DBF")->fields(), dictionary::prodLayout());
        EXPECT_EQ(readByDbfread(system / "T_BASE.DBF", dictionary::baseLayout()), baseRows);
        EXPECT_TRUE(openTable(system / "T_BASE.DBF")->check().empty());
        EXPECT_TRUE(openTable(system / "T_PROD.DBF")->check().empty());
        EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));
        EXPECT_EQ(applications(system).size(), applications(root / "sample").size());
        expectWorkTablesPointedBack();
    }
    std::string baseRows;
};

TEST_F(ForeignRestore, WithoutALocalListTheFloppysIsTakenInOurLayout) {
    restore();
    expectTakenInOurLayout();
    EXPECT_EQ(readByDbfread(system / "T_PROD.DBF", dictionary::prodLayout()),
              readByDbfread(floppy / "T_PROD.DBF", dictionary::prodLayout()));
}

TEST_F(ForeignRestore, WithALocalListTheFloppysApplicationsAreMergedIn) {
    dictionary::writeSampleDictionary(system, false);
    restore();
    expectTakenInOurLayout();
}

TEST_F(Restore, ValuesTheDictionaryCannotReadAreRefused) {
    dictionary::writeSampleDictionary(system, false);
    dictionary::writeSampleDictionary(root / "sample", true);
    std::vector<std::string> before = dictionaryFiles();
    auto refusedFor = [&](const std::string& why) {
        QString error = errorShown();
        EXPECT_TRUE(error.contains("T_BASE.DBF is not a usable dictionary table") &&
                    error.contains(QString::fromStdString(why)))
            << error.toStdString();
        EXPECT_EQ(dictionaryFiles(), before);
        boxes.clear();
    };

    patchField(floppy / "T_BASE.DBF", 2, "TMNRIG", "ab!x");
    restore();
    refusedFor("record 2");

    // Wider fields are taken, but only with values that fit ours.
    writeForeign(floppy, root / "sample", "T_BASE", 6, 5);
    patchField(floppy / "T_BASE.DBF", 3, "TMSIZE", " 10000");
    restore();
    refusedFor("record 3: TMSIZE holds 10000, which does not fit N 4");

    writeForeign(floppy, root / "sample", "T_BASE", 5, 5);
    patchField(floppy / "T_BASE.DBF", 4, "TMNPFM", "ABCDEFGHIJK");
    restore();
    refusedFor("record 4: TMNPFM holds \"ABCDEFGHIJK\", which does not fit C 10");

    // Decimals are taken only where the values have none.
    FieldList decimals = dictionary::baseLayout();
    decimals[2].length = 6;
    decimals[2].decimals = 1;
    Record halves(decimals.size());
    halves[2] = 2.5;
    createTable(floppy / "T_BASE.DBF", decimals, true)->append(halves);
    restore();
    refusedFor("record 1: TMNRIG holds 2.5, which does not fit N 4");

    // Fields are matched by name and type.
    FieldList dated = dictionary::baseLayout();
    dated[0] = {"TMTIPO", FieldType::Date, 8, 0};
    createTable(floppy / "T_BASE.DBF", dated, true);
    restore();
    refusedFor("its field TMTIPO is D 8 where the dictionary has TMTIPO C 1");

    FieldList extra = dictionary::baseLayout();
    extra.push_back({"TMXTRA", FieldType::Character, 5, 0});
    createTable(floppy / "T_BASE.DBF", extra, true);
    restore();
    refusedFor("it has a field TMXTRA that the dictionary table does not have");
}

TEST_F(Restore, FloppyTablesWithoutIndexesAreMergedAndADamagedLocalIndexIsMended) {
    dictionary::writeSampleDictionary(system, false);
    fs::remove(floppy / "T_PROD.MDX");
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(applications(system).size(), 4u);
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF"), support::readBytes(floppy / "T_BASE.DBF"));

    // A local index cut short is rebuilt from its table before the merge.
    std::string index = support::readBytes(system / "T_PROD.MDX");
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
    std::string whole = support::readBytes(system / "T_PROD.DBF");
    std::string damaged = whole.substr(0, 40); // the header cut short
    std::ofstream(system / "T_PROD.DBF", std::ios::binary | std::ios::trunc) << damaged;
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(support::readBytes(system / "T_PROD.DBF"), support::readBytes(floppy / "T_PROD.DBF"));
    EXPECT_EQ(support::readBytes(system / "T_PROD.DBF.damaged"), damaged);
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
    EXPECT_EQ(error, "The dictionary was not restored: " +
                         QString::fromStdString((system / "T_BASE.DBF").string()) +
                         " is read-only: its directory " + QString::fromStdString(system.string()) +
                         " cannot be written.");
    EXPECT_EQ(dictionaryFiles(), before);
}

TEST_F(Restore, ALocalTableTheUserMayNotReadGivesWayToTheFloppysAndIsKeptAside) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file; RestoreAsUser runs this case as nobody";
    dictionary::writeSampleDictionary(system, false);
    std::string oldBase = support::readBytes(system / "T_BASE.DBF");
    fs::permissions(system / "T_BASE.DBF", fs::perms::none);
    restore();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF"), support::readBytes(floppy / "T_BASE.DBF"));
    // The new file takes the user's default, not the mode that locked the user out.
    EXPECT_EQ(fileMode(system / "T_BASE.DBF") & 0600, 0600);
    EXPECT_EQ(fileMode(system / "T_BASE.DBF.damaged"), 0);
    fs::permissions(system / "T_BASE.DBF.damaged", fs::perms::owner_read);
    EXPECT_EQ(support::readBytes(system / "T_BASE.DBF.damaged"), oldBase);
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));

    // The application list the same way: it cannot be merged, the floppy's takes its place.
    fs::permissions(system / "T_PROD.DBF", fs::perms::none);
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_EQ(errorShown(), "");
    EXPECT_EQ(support::readBytes(system / "T_PROD.DBF"), support::readBytes(floppy / "T_PROD.DBF"));
    EXPECT_EQ(fileMode(system / "T_PROD.DBF.damaged"), 0);
    EXPECT_EQ(applications(system).size(), 4u);

    // With nothing on the floppy to take its place, nothing changes.
    fs::permissions(system / "T_BASE.DBF", fs::perms::none);
    for (const char* file : {"T_BASE.DBF", "T_BASE.MDX"})
        fs::remove(floppy / file);
    std::vector<std::string> before = dictionaryFiles();
    boxes.clear();
    boxes.answer(ui::Answer::Yes);
    Menu_Vadem->RestoreBaseTables1->trigger();
    EXPECT_TRUE(errorShown().contains("T_BASE.DBF cannot be read and drive A: has no T_BASE.DBF"))
        << errorShown().toStdString();
    EXPECT_EQ(dictionaryFiles(), before);
    EXPECT_EQ(fileMode(system / "T_BASE.DBF"), 0);
}

TEST_F(Restore, AProgramWhoseTableWasReplacedUnderItGetsAnErrorOnItsNextWrite) {
    dictionary::writeSampleDictionary(system, false);
    TableHolder other(system / "T_PROD.DBF");
    EXPECT_EQ(other.append(), "appended");
    // A tool that takes no lock puts another list in its place.
    fs::copy_file(floppy / "T_PROD.DBF", system / "T_PROD.new");
    fs::rename(system / "T_PROD.new", system / "T_PROD.DBF");
    std::string replaced = support::readBytes(system / "T_PROD.DBF");
    std::string said = other.append();
    EXPECT_EQ(said.rfind("refused: ", 0), 0u) << said;
    EXPECT_NE(said.find("replaced"), std::string::npos) << said;
    EXPECT_EQ(support::readBytes(system / "T_PROD.DBF"), replaced);
}

TEST_F(Restore, AWriteThatFailsAtAnyPointChangesNothing) {
    dictionary::writeSampleDictionary(system, false); // a local list to merge into
    std::vector<std::string> before = dictionaryFiles();
    bool completed = false;
    for (std::uint64_t n = 1; n <= 5000 && !completed; ++n) {
        boxes.clear();
        faults::failWrite(n, n % 2 ? faults::Fault::IoError : faults::Fault::DiskFull);
        restore();
        faults::failWrite(0);
        QString error = errorShown();
        completed = error.isEmpty();
        if (completed)
            break;
        ASSERT_EQ(dictionaryFiles(), before) << "write " << n << ": " << error.toStdString();
        ASSERT_TRUE(Menu_Vadem->Btn01->isEnabled()) << "write " << n;
        expectWorkTablesPointedBack();
    }
    ASSERT_TRUE(completed) << "the restore never got through";
    EXPECT_TRUE(hasBaseTable(system, "ORDPROD"));
    EXPECT_EQ(applications(system).size(), 4u);
}
