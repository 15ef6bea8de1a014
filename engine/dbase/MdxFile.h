#pragma once

#include "engine/files/BinaryFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace engine::dbase {

// One tag's declaration and tree geometry as its tag-table slot and tag
// header store them.
struct MdxTagHeader {
    std::uint32_t headerPage = 0;
    std::string name;
    char keyType = 'C';
    std::string expression;
    std::string forCondition;
    bool unique = false;
    bool descending = false;
    bool bareField = false;
    int keyLength = 0;
    int maxKeys = 0;
    int itemLength = 0;
    std::uint32_t root = 0;
    std::uint32_t pagesUsed = 0;
    std::uint32_t firstLeaf = 0;
    std::uint32_t lastLeaf = 0;
    bool hasKeys = false;
    std::uint8_t serial = 1;
};

// The MDX file itself: header, tag table, tag headers and raw node blocks,
// with block allocation (a free chain, else the end of the file). Knows
// nothing about keys or trees.
class MdxFile {
public:
    // Lenient reading skips the check of the page count against the file
    // size, to read the declarations of a truncated file.
    enum class Strictness { Strict, Lenient };
    // Reads and validates the header; throws FileCorrupt / IndexCorrupt /
    // NotSupported naming the file.
    MdxFile(const std::filesystem::path& path, BinaryFile::Mode mode, LockMode lock,
            Strictness strictness = Strictness::Strict);
    // Creates (or truncates to) an empty index of the default block size.
    MdxFile(const std::filesystem::path& path, const std::string& tableName,
            std::uint8_t languageDriver, LockMode lock);

    const std::filesystem::path& path() const { return file_.path(); }
    std::string describe() const; // "Index <path>" for messages
    bool writable() const { return file_.writable(); }
    std::string tableName() const { return tableName_; }
    std::uint32_t blockSize() const { return blockSize_; }

    // Tag headers of the slots in use, in slot order.
    std::vector<MdxTagHeader> readTagHeaders() const;
    void writeTagHeader(const MdxTagHeader& tag);
    void writeRootAndLeaves(const MdxTagHeader& tag); // bytes 0-7, 246, 248-255
    void writeSerial(const MdxTagHeader& tag);
    // Rewrites the tag table for these tags (slots, name-search threads, count).
    void writeTagTable(const std::vector<MdxTagHeader>& tags);

    // A node block; throws IndexCorrupt when the page lies outside the file.
    void readBlock(std::uint32_t page, std::string& out) const;
    void writeBlock(std::uint32_t page, const std::string& block);
    bool isBlockInFile(std::uint32_t page) const;
    std::uint32_t allocateBlock();
    void releaseBlock(std::uint32_t page);
    // Contiguous blocks at the end of the file (bulk loads, tag headers).
    std::uint32_t appendBlocks(std::uint32_t count);
    void writeBlocks(std::uint32_t firstPage, const std::string& blocks);
    std::uint32_t pagesPerBlock() const { return pagesPerBlock_; }
    // Blocks a tag header takes (it needs 1024 bytes).
    std::uint32_t tagHeaderBlocks() const;
    // Drops every tag and block: the file is an empty index again.
    void clear();

    bool replacedOnDisk() const { return file_.replacedOnDisk(); }
    // Re-reads the header after another program may have written the file.
    void reload();
    void markUpdated();

private:
    void readHeader(Strictness strictness);
    void writeCounts();

    BinaryFile file_;
    std::string tableName_;
    std::uint8_t languageDriver_ = 0;
    std::uint32_t blockSize_ = 0;
    std::uint32_t pagesPerBlock_ = 0;
    std::uint32_t pageCount_ = 0;
    std::uint32_t freeHead_ = 0;
    std::uint32_t freeCount_ = 0;
    int tagsInUse_ = 0;
    bool updatedToday_ = false;
};

} // namespace engine::dbase
