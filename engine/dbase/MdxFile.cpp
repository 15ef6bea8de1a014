#include "engine/dbase/MdxFile.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dbase/MdxFormat.h"

#include <algorithm>
#include <ctime>

namespace engine::dbase {

using namespace mdx;

namespace mdx {
void putToday(char* p) {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    p[0] = static_cast<char>(local.tm_year);
    p[1] = static_cast<char>(local.tm_mon + 1);
    p[2] = static_cast<char>(local.tm_mday);
}
} // namespace mdx

MdxFile::MdxFile(const std::filesystem::path& path, BinaryFile::Mode mode, LockMode lock,
                 Strictness strictness)
    : file_(path, mode, lock) {
    readHeader(strictness);
}

MdxFile::MdxFile(const std::filesystem::path& path, const std::string& tableName,
                 std::uint8_t languageDriver, LockMode lock)
    : file_(path, BinaryFile::Mode::Create, lock), tableName_(toUpperAscii(tableName)),
      languageDriver_(languageDriver), blockSize_(DefaultBlockSize),
      pagesPerBlock_(DefaultBlockSize / PageSize) {
    clear();
}

std::string MdxFile::describe() const {
    return "Index " + path().string();
}

void MdxFile::clear() {
    std::string head(FirstDataPage * PageSize, '\0');
    char* h = head.data();
    h[header::Version] = 2;
    putToday(h + header::Created);
    putText(h + header::TableName, 16, tableName_.substr(0, 16));
    putU16(h + header::PagesPerBlock, pagesPerBlock_);
    putU16(h + header::BlockBytes, blockSize_);
    h[header::Production] = 1;
    h[header::SlotCount] = TagSlots;
    h[header::SlotLength] = SlotSize;
    h[header::TagCounter] = 1;
    h[header::LanguageDriver] = static_cast<char>(languageDriver_);
    putU32(h + header::PageCount, FirstDataPage);
    putToday(h + header::Updated);
    h[header::Marker529] = 1;
    file_.truncate(0);
    file_.writeAt(0, head.data(), head.size());
    pageCount_ = FirstDataPage;
    freeHead_ = 0;
    freeCount_ = 0;
    tagsInUse_ = 0;
}

void MdxFile::readHeader(Strictness strictness) {
    std::uint64_t size = file_.size();
    char h[TagTableOffset];
    if (size < TagTableOffset)
        throw EngineError(code::FileCorrupt, describe() +
                                                 " is not a dBase production index: only " +
                                                 std::to_string(size) + " bytes");
    file_.readAt(0, h, sizeof h);
    if (h[header::Version] != 2 || h[header::Production] != 1)
        throw EngineError(code::FileCorrupt,
                          describe() + " is not a dBase IV production index (version byte " +
                              std::to_string(static_cast<unsigned char>(h[header::Version])) + ")");
    if (static_cast<unsigned char>(h[header::SlotCount]) != TagSlots ||
        h[header::SlotLength] != SlotSize)
        throw EngineError(code::NotSupported,
                          describe() + ": tag table of " +
                              std::to_string(static_cast<unsigned char>(h[header::SlotCount])) +
                              " slots of " +
                              std::to_string(static_cast<unsigned char>(h[header::SlotLength])) +
                              " bytes is not the dBase IV layout");
    pagesPerBlock_ = getU16(h + header::PagesPerBlock);
    blockSize_ = getU16(h + header::BlockBytes);
    if (blockSize_ == 0)
        blockSize_ = pagesPerBlock_ * PageSize;
    if (pagesPerBlock_ == 0 || blockSize_ != pagesPerBlock_ * PageSize)
        throw EngineError(code::FileCorrupt, describe() + ": impossible block size " +
                                                 std::to_string(blockSize_) + " bytes (" +
                                                 std::to_string(pagesPerBlock_) + " pages)");
    tableName_ = getText(h + header::TableName, 16);
    languageDriver_ = static_cast<std::uint8_t>(h[header::LanguageDriver]);
    tagsInUse_ = getU16(h + header::TagsInUse);
    if (tagsInUse_ > MaxTags)
        throw EngineError(code::FileCorrupt, describe() + " declares " +
                                                 std::to_string(tagsInUse_) +
                                                 " tags; at most 47 are possible");
    if (size < TagTableOffset + static_cast<std::uint64_t>(tagsInUse_) * SlotSize)
        throw EngineError(code::FileCorrupt, describe() + " is truncated inside its tag table");
    std::uint32_t declared = getU32(h + header::PageCount);
    std::uint64_t actual = (size + PageSize - 1) / PageSize;
    if (declared > actual && strictness == Strictness::Strict)
        throw EngineError(code::FileCorrupt, describe() + " is truncated: its header counts " +
                                                 std::to_string(declared) +
                                                 " pages, the file holds " +
                                                 std::to_string(actual));
    pageCount_ = static_cast<std::uint32_t>(actual);
    freeHead_ = getU32(h + header::FreeHead);
    freeCount_ = getU32(h + header::FreeCount);
    if (freeHead_ != 0 && !isBlockInFile(freeHead_)) {
        freeHead_ = 0; // a broken free chain only costs space
        freeCount_ = 0;
    }
}

void MdxFile::reload() {
    readHeader(Strictness::Strict);
}

bool MdxFile::isBlockInFile(std::uint32_t page) const {
    return page >= FirstDataPage && static_cast<std::uint64_t>(page) * PageSize + blockSize_ <=
                                        static_cast<std::uint64_t>(pageCount_) * PageSize;
}

std::vector<MdxTagHeader> MdxFile::readTagHeaders() const {
    std::vector<MdxTagHeader> tags;
    std::string table(static_cast<std::size_t>(tagsInUse_) * SlotSize, '\0');
    file_.readAt(TagTableOffset, table.data(), table.size());
    for (int i = 0; i < tagsInUse_; ++i) {
        const char* s = table.data() + i * SlotSize;
        MdxTagHeader t;
        t.headerPage = getU32(s + slot::HeaderPage);
        t.name = toUpperAscii(getText(s + slot::Name, 11));
        std::string where = describe() + ", tag " + std::to_string(i + 1) + " (" + t.name + ")";
        if (t.headerPage < FirstDataPage ||
            static_cast<std::uint64_t>(t.headerPage) * PageSize + tag::ForExpression > file_.size())
            throw EngineError(code::FileCorrupt, where + ": tag header page " +
                                                     std::to_string(t.headerPage) +
                                                     " lies outside the file");
        std::string b(TagHeaderSize, '\0');
        file_.readSome(static_cast<std::uint64_t>(t.headerPage) * PageSize, b.data(), b.size());
        t.root = getU32(&b[tag::Root]);
        t.pagesUsed = getU32(&b[tag::PagesUsed]);
        auto flags = static_cast<std::uint8_t>(b[tag::Flags]);
        t.descending = flags & tag::FlagDescending;
        t.unique = (flags & tag::FlagUnique) || b[tag::Unique] != 0;
        t.keyType = b[tag::KeyType];
        t.keyLength = getU16(&b[tag::KeyLength]);
        t.maxKeys = getU16(&b[tag::MaxKeys]);
        t.itemLength = getU16(&b[tag::ItemLength]);
        t.serial = static_cast<std::uint8_t>(b[tag::Serial]);
        t.expression = getText(&b[tag::Expression], MaxTextLength + 1);
        if (b[tag::HasFor])
            t.forCondition = getText(&b[tag::ForExpression], MaxTextLength + 1);
        t.hasKeys = b[tag::HasKeys] != 0;
        t.firstLeaf = getU32(&b[tag::FirstLeaf]);
        t.lastLeaf = getU32(&b[tag::LastLeaf]);
        t.bareField = b[tag::BareField] == 1;
        int expected = t.keyType == 'N' ? 12 : t.keyType == 'D' ? 8 : -1;
        if (t.keyType != 'C' && expected < 0)
            throw EngineError(code::FileCorrupt,
                              where + ": unknown key type byte " +
                                  std::to_string(static_cast<unsigned char>(t.keyType)));
        if (t.keyLength < 1 || t.keyLength > MaxKeyLength ||
            (expected > 0 && t.keyLength != expected) || t.itemLength < t.keyLength + 4 ||
            8 + 2 * t.itemLength + 4 > static_cast<int>(blockSize_) || t.maxKeys < 2)
            throw EngineError(code::FileCorrupt, where + ": impossible key geometry (key " +
                                                     std::to_string(t.keyLength) + " bytes, item " +
                                                     std::to_string(t.itemLength) + ", " +
                                                     std::to_string(t.maxKeys) + " keys per node)");
        t.maxKeys = std::min(t.maxKeys, (static_cast<int>(blockSize_) - 12) / t.itemLength);
        tags.push_back(std::move(t));
    }
    return tags;
}

void MdxFile::writeTagHeader(const MdxTagHeader& t) {
    std::string b(std::max(TagHeaderSize, blockSize_), '\0');
    putU32(&b[tag::Root], t.root);
    putU32(&b[tag::PagesUsed], t.pagesUsed);
    b[tag::Flags] = static_cast<char>(tag::FlagAlways | (t.descending ? tag::FlagDescending : 0) |
                                      (t.unique ? tag::FlagUnique : 0));
    b[tag::KeyType] = t.keyType;
    putU16(&b[tag::KeyLength], static_cast<std::uint32_t>(t.keyLength));
    putU16(&b[tag::MaxKeys], static_cast<std::uint32_t>(t.maxKeys));
    putU16(&b[tag::SecondaryType], t.keyType == 'D' ? 1 : 0);
    putU16(&b[tag::ItemLength], static_cast<std::uint32_t>(t.itemLength));
    b[tag::Serial] = static_cast<char>(t.serial);
    b[tag::Unique] = t.unique ? 1 : 0;
    putText(&b[tag::Expression], MaxTextLength + 1, t.expression);
    b[tag::HasFor] = t.forCondition.empty() ? 0 : 1;
    b[tag::HasKeys] = t.hasKeys ? 1 : 0;
    putU32(&b[tag::FirstLeaf], t.firstLeaf);
    putU32(&b[tag::LastLeaf], t.lastLeaf);
    putToday(&b[tag::Date]);
    b[tag::BareField] = t.bareField ? 1 : 0;
    putText(&b[tag::ForExpression], MaxTextLength + 1, t.forCondition);
    file_.writeAt(static_cast<std::uint64_t>(t.headerPage) * PageSize, b.data(), b.size());
}

void MdxFile::writeRootAndLeaves(const MdxTagHeader& t) {
    std::uint64_t at = static_cast<std::uint64_t>(t.headerPage) * PageSize;
    char head[8];
    putU32(head, t.root);
    putU32(head + 4, t.pagesUsed);
    file_.writeAt(at, head, sizeof head);
    char leaves[10];
    leaves[0] = t.hasKeys ? 1 : 0;
    leaves[1] = 0;
    putU32(leaves + 2, t.firstLeaf);
    putU32(leaves + 6, t.lastLeaf);
    file_.writeAt(at + tag::HasKeys, leaves, sizeof leaves);
}

void MdxFile::writeSerial(const MdxTagHeader& t) {
    char serial = static_cast<char>(t.serial);
    file_.writeAt(static_cast<std::uint64_t>(t.headerPage) * PageSize + tag::Serial, &serial, 1);
}

void MdxFile::writeTagTable(const std::vector<MdxTagHeader>& tags) {
    int slots = std::max(tagsInUse_, static_cast<int>(tags.size()));
    std::string table(static_cast<std::size_t>(slots) * SlotSize, '\0');
    // Name-search threads: the tags' names inserted in slot order into an
    // unbalanced binary tree; slot numbers count from 1, 0 is "none".
    std::vector<int> less(tags.size(), 0), greater(tags.size(), 0), parent(tags.size(), 0);
    for (std::size_t i = 1; i < tags.size(); ++i) {
        std::size_t at = 0;
        for (;;) {
            std::vector<int>& side = tags[i].name < tags[at].name ? less : greater;
            if (side[at] == 0) {
                side[at] = static_cast<int>(i + 1);
                parent[i] = static_cast<int>(at + 1);
                break;
            }
            at = static_cast<std::size_t>(side[at] - 1);
        }
    }
    for (std::size_t i = 0; i < tags.size(); ++i) {
        char* s = table.data() + i * SlotSize;
        putU32(s + slot::HeaderPage, tags[i].headerPage);
        putText(s + slot::Name, 11, tags[i].name);
        s[slot::KeyFormat] = 0x10;
        s[slot::ThreadLess] = static_cast<char>(less[i]);
        s[slot::ThreadGreater] = static_cast<char>(greater[i]);
        s[slot::ThreadParent] = static_cast<char>(parent[i]);
        s[slot::Constant19] = 0x02;
        s[slot::KeyType] = tags[i].keyType;
    }
    file_.writeAt(TagTableOffset, table.data(), table.size());
    tagsInUse_ = static_cast<int>(tags.size());
    char counts[3];
    putU16(counts, static_cast<std::uint32_t>(tagsInUse_));
    counts[2] = static_cast<char>(tagsInUse_ + 1);
    file_.writeAt(header::TagsInUse, counts, sizeof counts);
}

void MdxFile::readBlock(std::uint32_t page, std::string& out) const {
    if (!isBlockInFile(page))
        throw EngineError(code::IndexCorrupt, describe() + ": node page " + std::to_string(page) +
                                                  " lies outside the file");
    out.resize(blockSize_);
    file_.readAt(static_cast<std::uint64_t>(page) * PageSize, out.data(), blockSize_);
}

void MdxFile::writeBlock(std::uint32_t page, const std::string& block) {
    file_.writeAt(static_cast<std::uint64_t>(page) * PageSize, block.data(), blockSize_);
}

void MdxFile::writeBlocks(std::uint32_t firstPage, const std::string& blocks) {
    file_.writeAt(static_cast<std::uint64_t>(firstPage) * PageSize, blocks.data(), blocks.size());
}

std::uint32_t MdxFile::allocateBlock() {
    if (freeHead_ == 0 || !isBlockInFile(freeHead_))
        return appendBlocks(1);
    std::uint32_t page = freeHead_;
    std::string block(blockSize_, '\0');
    file_.readAt(static_cast<std::uint64_t>(page) * PageSize, block.data(), block.size());
    // Only a block that looks freed (no keys, nothing but the link) is taken:
    // another writer may keep these header words differently.
    bool looksFree = getU32(block.data()) == 0 &&
                     block.find_first_not_of('\0', node::Entries) == std::string::npos;
    if (!looksFree) {
        freeHead_ = 0;
        freeCount_ = 0;
        return appendBlocks(1);
    }
    freeHead_ = getU32(block.data() + node::Link);
    freeCount_ = freeCount_ > 0 ? freeCount_ - 1 : 0;
    writeCounts();
    return page;
}

void MdxFile::releaseBlock(std::uint32_t page) {
    std::string block(blockSize_, '\0');
    putU32(&block[node::Link], freeHead_);
    writeBlock(page, block);
    freeHead_ = page;
    ++freeCount_;
    writeCounts();
}

std::uint32_t MdxFile::appendBlocks(std::uint32_t count) {
    std::uint32_t page = pageCount_;
    pageCount_ += count * pagesPerBlock_;
    file_.truncate(static_cast<std::uint64_t>(pageCount_) * PageSize);
    writeCounts();
    return page;
}

void MdxFile::writeCounts() {
    char counts[12];
    putU32(counts, pageCount_);
    putU32(counts + 4, freeHead_);
    putU32(counts + 8, freeCount_);
    file_.writeAt(header::PageCount, counts, sizeof counts);
}

void MdxFile::markUpdated() {
    if (updatedToday_)
        return;
    char today[3];
    putToday(today);
    file_.writeAt(header::Updated, today, sizeof today);
    updatedToday_ = true;
}

std::uint32_t MdxFile::tagHeaderBlocks() const {
    return (TagHeaderSize + blockSize_ - 1) / blockSize_;
}

} // namespace engine::dbase
