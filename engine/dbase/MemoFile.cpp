#include "engine/dbase/MemoFile.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"

#include <algorithm>
#include <cstring>

namespace engine::dbase {

namespace {

constexpr std::size_t kHeaderBytes = 8; // dBase IV block header: FF FF 08 00 + length
constexpr std::size_t kFlushBytes = 1 << 20;
constexpr std::size_t kWindowBytes = 64 * 1024;
constexpr std::uint32_t kDbase3Block = 512;

} // namespace

MemoFile::MemoFile(const std::filesystem::path& path, BinaryFile::Mode mode, LockMode lock,
                   bool dbase3)
    : file_(path, mode, lock), dbase3_(dbase3) {
    readHeader();
}

void MemoFile::create(const std::filesystem::path& path, const std::string& tableName) {
    std::string header(kNewBlockSize, '\0');
    putU32(header.data(), 1);
    std::memcpy(header.data() + 8, tableName.data(), std::min<std::size_t>(tableName.size(), 8));
    header[20] = static_cast<char>(kNewBlockSize & 0xFF);
    header[21] = static_cast<char>(kNewBlockSize >> 8);
    BinaryFile file(path, BinaryFile::Mode::Create, LockMode::Exclusive);
    file.writeAt(0, header.data(), header.size());
}

void MemoFile::readHeader() {
    unsigned char h[24];
    if (file_.readSome(0, h, sizeof h) != sizeof h)
        throw EngineError(code::FileCorrupt, "Memo file " + path().string() + " has no header");
    nextFree_ = getU32(h);
    if (dbase3_) {
        blockSize_ = kDbase3Block;
        return;
    }
    blockSize_ = getU16(h + 20);
    if (blockSize_ == 0)
        blockSize_ = kNewBlockSize;
    if (blockSize_ < 32)
        throw EngineError(code::FileCorrupt, "Memo file " + path().string() +
                                                 " has an impossible block size " +
                                                 std::to_string(blockSize_));
}

void MemoFile::refresh() {
    window_.clear();
    if (pending_.empty())
        readHeader();
}

void MemoFile::discard() {
    pending_.clear();
    batch_ = false;
    refresh();
}

std::optional<std::string> MemoFile::headerFault() const {
    std::uint64_t blocks = (file_.size() + blockSize_ - 1) / blockSize_;
    if (nextFree_ < blocks)
        return "memo file " + path().string() + ": next free block " + std::to_string(nextFree_) +
               " lies inside the file (" + std::to_string(blocks) + " blocks)";
    return std::nullopt;
}

bool MemoFile::readThrough(std::uint64_t offset, void* out, std::size_t size) const {
    if (size > kWindowBytes / 2)
        return file_.readSome(offset, out, size) == size;
    if (offset < windowStart_ || offset + size > windowStart_ + window_.size()) {
        window_.resize(kWindowBytes);
        window_.resize(file_.readSome(offset, window_.data(), kWindowBytes));
        windowStart_ = offset;
    }
    if (offset + size > windowStart_ + window_.size())
        return false;
    std::memcpy(out, window_.data() + (offset - windowStart_), size);
    return true;
}

std::string MemoFile::readValue(std::uint32_t block) const {
    const std::uint64_t start = static_cast<std::uint64_t>(block) * blockSize_;
    auto corrupt = [&](const std::string& why) -> EngineError {
        return EngineError(code::FileCorrupt, why);
    };
    auto pastTheEnd = [&] {
        return corrupt("points to block " + std::to_string(block) + " past the end of " +
                       path().string());
    };
    if (block == 0)
        throw pastTheEnd();
    if (dbase3_) {
        // The value runs to the first 0x1A.
        const std::uint64_t size = file_.size();
        if (start >= size)
            throw pastTheEnd();
        std::string data;
        char buf[4096];
        for (std::uint64_t at = start; at < size;) {
            std::size_t n = file_.readSome(at, buf, sizeof buf);
            if (n == 0)
                break;
            if (const void* end = std::memchr(buf, 0x1A, n)) {
                data.append(buf, static_cast<std::size_t>(static_cast<const char*>(end) - buf));
                return data;
            }
            data.append(buf, n);
            at += n;
        }
        return data;
    }
    unsigned char h[kHeaderBytes];
    if (!readThrough(start, h, sizeof h))
        throw pastTheEnd();
    if (h[0] != 0xFF || h[1] != 0xFF || h[2] != 0x08 || h[3] != 0x00)
        throw corrupt("block " + std::to_string(block) + " of " + path().string() +
                      " does not start a memo value");
    std::uint32_t total = getU32(h + 4);
    auto tooLong = [&] {
        return corrupt("the value at block " + std::to_string(block) + " of " + path().string() +
                       " claims " + std::to_string(total) + " bytes, past the end of the file");
    };
    // Check a large length against the file before allocating for it.
    if (total < kHeaderBytes || (total > kWindowBytes && start + total > file_.size()))
        throw tooLong();
    std::string data(total - kHeaderBytes, '\0');
    if (!readThrough(start + kHeaderBytes, data.data(), data.size()))
        throw tooLong();
    return data;
}

std::string MemoFile::read(std::uint32_t block, const std::string& context) const {
    try {
        return readValue(block);
    } catch (const EngineError& e) {
        throw EngineError(e.code(), context + ": memo " + e.what());
    }
}

std::optional<std::string> MemoFile::fault(std::uint32_t block) const {
    try {
        readValue(block);
        return std::nullopt;
    } catch (const EngineError& e) {
        return std::string(e.what());
    }
}

std::uint32_t MemoFile::append(std::string_view data) {
    if (!file_.writable())
        throw EngineError(code::ReadOnly, "Memo file " + path().string() + " is open read-only");
    std::string value;
    if (dbase3_) {
        value.assign(data);
        value += "\x1A\x1A";
    } else {
        value.resize(kHeaderBytes);
        std::memcpy(value.data(), "\xFF\xFF\x08\x00", 4);
        putU32(value.data() + 4, static_cast<std::uint32_t>(data.size() + kHeaderBytes));
        value.append(data);
    }
    std::size_t blocks = (value.size() + blockSize_ - 1) / blockSize_;
    if (nextFree_ + blocks > UINT32_MAX / blockSize_)
        throw EngineError(code::BadValue, "Memo file " + path().string() + " is full");
    value.resize(blocks * blockSize_, '\0');
    if (pending_.empty()) {
        // Another writer may have grown the file without moving the header on.
        std::uint64_t blocksInFile = (file_.size() + blockSize_ - 1) / blockSize_;
        nextFree_ = static_cast<std::uint32_t>(std::max<std::uint64_t>(nextFree_, blocksInFile));
        pendingStart_ = nextFree_;
    }
    std::uint32_t first = nextFree_;
    pending_ += value;
    nextFree_ += static_cast<std::uint32_t>(blocks);
    if (!batch_ || pending_.size() >= kFlushBytes)
        flush();
    return first;
}

void MemoFile::flush() {
    if (pending_.empty())
        return;
    file_.writeAt(static_cast<std::uint64_t>(pendingStart_) * blockSize_, pending_.data(),
                  pending_.size());
    pending_.clear();
    char next[4];
    putU32(next, nextFree_);
    file_.writeAt(0, next, sizeof next);
}

void MemoFile::endBatch() {
    flush();
    batch_ = false;
}

} // namespace engine::dbase
