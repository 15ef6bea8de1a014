// The code page in a Paradox header (0x6A) chooses the code page of its
// text: a page we carry reads in it; a page we do not carry opens with its
// text shown as Latin-1 and a warning that check reports too, and every
// write is refused naming the page.
#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"

#include <functional>
#include <gtest/gtest.h>

using namespace engine;
using support::readBytes;
using support::writeBytes;

namespace {

constexpr std::size_t kCodePage = 0x6A;

// A table of one A12 field whose one record holds `bytes` as stored, under
// code page `page`.
std::filesystem::path tableWithPage(const support::TempDir& dir, int page,
                                    const std::string& bytes) {
    auto path = dir / ("P" + std::to_string(page) + ".DB");
    createTable(path, {{"NAME", FieldType::Character, 12, 0}})->append({Value("x")});
    std::string file = readBytes(path);
    file[kCodePage] = static_cast<char>(page & 0xFF);
    file[kCodePage + 1] = static_cast<char>(page >> 8);
    // The record: after the header and the 6-byte header of the first block.
    std::size_t header = static_cast<unsigned char>(file[2]) |
                         static_cast<std::size_t>(static_cast<unsigned char>(file[3])) << 8;
    file.replace(header + 6, bytes.size(), bytes);
    writeBytes(path, file);
    return path;
}

std::string firstName(TableFile& t) {
    auto c = t.openIndex("");
    return c->first() ? t.read(c->row())[0].text() : "(no row)";
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

TEST(ParadoxCodePages, ACarriedPageReadsAndWritesInIt) {
    support::TempDir dir("paradox-page");
    auto path = tableWithPage(dir, 866, "\x8F\xE0\xA8\xA2\xA5\xE2");
    auto t = openTable(path);
    EXPECT_EQ(firstName(*t), "Привет");
    EXPECT_EQ(t->warnings(), std::vector<std::string>{});
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    t->append({Value("Мир")});
    EXPECT_NE(readBytes(path).find("\x8C\xA8\xE0"), std::string::npos);
}

TEST(ParadoxCodePages, APageWeDoNotCarryIsReadAsLatin1AndNeverWritten) {
    support::TempDir dir("paradox-page");
    // 932 is Japanese, which we do not carry.
    auto path = tableWithPage(dir, 932, "A\x80\xE9");
    std::string before = readBytes(path);
    const std::string warning = "Table " + path.string() +
                                ": its code page 932 is one this program does not carry; its "
                                "text is shown as Latin-1 and the table can only be read";
    {
        auto t = openTable(path);
        EXPECT_EQ(firstName(*t), "A\u0080é");
        EXPECT_EQ(t->warnings(), std::vector<std::string>{warning});
        EXPECT_EQ(t->check(), std::vector<std::string>{warning});
        const std::string refused = std::to_string(code::ReadOnly) + " Table " + path.string() +
                                    " cannot be changed: its code page 932 is one this program "
                                    "does not carry";
        auto c = t->openIndex("");
        ASSERT_TRUE(c->first());
        RowId first = c->row();
        EXPECT_EQ(refusal([&] { t->append({Value("B")}); }), refused);
        EXPECT_EQ(refusal([&] { t->update(first, {Value("B")}); }), refused);
        EXPECT_EQ(refusal([&] { t->remove(first); }), refused);
        EXPECT_EQ(refusal([&] { t->beginAppendBatch(); }), refused);
        EXPECT_EQ(refusal([&] {
                      t->addIndex({"", "NAME", "", false, false, true, false});
                  }),
                  refused);
        EXPECT_EQ(refusal([&] { t->reindex(); }), refused);
    }
    EXPECT_EQ(readBytes(path), before);

    // tabletool shows the warning, and check reports it as a fault.
    auto info = support::run({SCHEDAX_BINARY_DIR "/tools/tabletool", "info", path.string()});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("Warning:      " + warning + "\n"), std::string::npos) << info.out;
    auto check = support::run({SCHEDAX_BINARY_DIR "/tools/tabletool", "check", path.string()});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, warning + "\n");
    EXPECT_EQ(readBytes(path), before);
}
