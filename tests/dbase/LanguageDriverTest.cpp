// The language-driver byte of a DBF (header byte 29) chooses the code page of
// its text: every dBase and FoxPro driver of a page we carry reads and writes
// in that page, as Python dbfread reads it; a driver of a page we do not
// carry opens read-only, its text shown as Latin-1, with a warning that
// check reports too, and every write is refused naming the driver.
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/Readers.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <gtest/gtest.h>

using namespace engine;
using support::readBytes;
using support::TempDir;
using support::writeBytes;

namespace {

constexpr std::size_t kDriverByte = 29;

// A table of one C 12 field whose first record holds `bytes` as stored,
// under language driver `driver`.
std::filesystem::path tableWithDriver(const TempDir& dir, std::uint8_t driver,
                                      const std::string& bytes) {
    auto path = dir / ("D" + std::to_string(driver) + ".DBF");
    {
        auto t = createTable(path, {{"NAME", FieldType::Character, 12, 0}});
        t->append({Value("x")});
    }
    std::string file = readBytes(path);
    file[kDriverByte] = static_cast<char>(driver);
    std::size_t record = static_cast<unsigned char>(file[8]) |
                         static_cast<std::size_t>(static_cast<unsigned char>(file[9])) << 8;
    file.replace(record + 1, bytes.size(), bytes);
    writeBytes(path, file);
    return path;
}

std::string dbfreadFirstName(const std::filesystem::path& path) {
    auto r = support::run({"/usr/bin/python3", "-c",
                           "import dbfread,sys; "
                           "sys.stdout.buffer.write(next(iter(dbfread.DBF(sys.argv[1])))"
                           "['NAME'].encode('utf-8'))",
                           path.string()});
    return r.out;
}

std::string refusal(const std::function<void()>& write) {
    try {
        write();
    } catch (const EngineError& e) {
        return std::to_string(e.code()) + " " + e.what();
    }
    return "written";
}

} // namespace

TEST(LanguageDrivers, EachDriverOfACarriedPageReadsAndWritesInIt) {
    TempDir dir("driver-test");
    struct Case {
        std::uint8_t driver;
        std::string stored, text;
    } cases[] = {
        {0x26, "\x8F\xE0\xA8\xA2\xA5\xE2", "Привет"}, // FoxPro: Russian OEM, cp866
        {0x65, "\x8F\xE0\xA8\xA2\xA5\xE2", "Привет"}, // Russian MS-DOS, cp866
        {0x1F, "\xA6\x6C\x75\x9C", "Žluť"},           // Czech OEM, cp852
        {0x23, "\xA6\x6C\x75\x9C", "Žluť"},           // Polish OEM, cp852
        {0x0F, "\x4D\x81\xE1", "Müß"},                // German OEM, cp437
        {0x10, "\xA5\x61\x6E\x64\xA3", "Ñandú"},      // German OEM secondary, cp850
        {0x03, "\x80\xE9", "€é"},                     // Windows ANSI, cp1252
        {0x58, "\x80\xE9", "€é"},                     // Western European ANSI, cp1252
    };
    bool dbfread = support::haveDbfread();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver);
        auto path = tableWithDriver(dir, c.driver, c.stored);
        auto t = openTable(path);
        EXPECT_EQ(t->read(1)[0].text(), c.text);
        EXPECT_EQ(t->warnings(), std::vector<std::string>{});
        EXPECT_EQ(t->check(), std::vector<std::string>{});
        t->append({Value(c.text + "!")});
        // The new record's field: after its deletion flag, before the end marker.
        std::string file = readBytes(path);
        EXPECT_EQ(file.substr(file.size() - 13, c.stored.size() + 1), c.stored + "!");
        if (dbfread) {
            EXPECT_EQ(dbfreadFirstName(path), c.text);
        }
    }
}

TEST(LanguageDrivers, ADriverOfAPageWeDoNotCarryIsReadAsLatin1AndNeverWritten) {
    TempDir dir("driver-test");
    // 0x13 names cp932 (Japanese), which we do not carry; 0xF0 is named by no table.
    for (std::uint8_t driver : {std::uint8_t{0x13}, std::uint8_t{0xF0}}) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", driver);
        SCOPED_TRACE(byte);
        auto path = tableWithDriver(dir, driver, "A\x80\xE9");
        std::string before = readBytes(path);
        auto t = openTable(path);
        EXPECT_EQ(t->read(1)[0].text(), "A\u0080é");
        auto warningFor = [&](const std::string& name) {
            return "Table " + name + ": its language driver " + byte +
                   " names a code page this program does not carry; its text is shown as "
                   "Latin-1 and the table can only be read";
        };
        std::string warning = warningFor(path.string());
        EXPECT_EQ(t->warnings(), std::vector<std::string>{warning});
        EXPECT_EQ(t->check(), std::vector<std::string>{warning});
        std::string refused = std::to_string(code::ReadOnly) + " Table " + path.string() +
                              " cannot be changed: its language driver " + byte +
                              " names a code page this program does not carry";
        EXPECT_EQ(refusal([&] { t->append({Value("B")}); }), refused);
        EXPECT_EQ(refusal([&] { t->update(1, {Value("B")}); }), refused);
        EXPECT_EQ(refusal([&] { t->remove(1); }), refused);
        EXPECT_EQ(refusal([&] { t->addIndex({"NAME", "NAME", "", false, false}); }), refused);
        EXPECT_EQ(refusal([&] { t->reindex(); }), refused);
        EXPECT_EQ(readBytes(path), before);

        // tabletool shows the warning and check reports it as a fault.
        auto info = support::run({SCHEDAX_BINARY_DIR "/tools/tabletool", "info", path.string()});
        EXPECT_EQ(info.status, 0);
        EXPECT_NE(info.out.find("Warning:      " + warningFor(path.string()) + "\n"),
                  std::string::npos)
            << info.out;
        auto check = support::run({SCHEDAX_BINARY_DIR "/tools/tabletool", "check", path.string()});
        EXPECT_EQ(check.status, 1);
        EXPECT_EQ(check.out, warningFor(path.string()) + "\n");
    }
}
