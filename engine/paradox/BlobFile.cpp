#include "engine/paradox/BlobFile.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"

#include <cstring>

namespace engine::paradox {

namespace {

constexpr std::uint32_t kBlock = 4096;
constexpr std::uint32_t kSlots = 64;
constexpr std::uint32_t kSlotTable = 12; // slot i at 12 + 5 * i
constexpr std::uint32_t kSubDataStart = 0x150;
constexpr std::uint32_t kSmallLimit = 2048; // longer values get their own blocks
constexpr std::uint32_t kSingleHeader = 9;
constexpr std::uint8_t kHeaderBlock = 0, kSingle = 2, kSub = 3, kFree = 4;

} // namespace

BlobFile::BlobFile(BinaryFile file) : file_(std::move(file)) {}

BlobFile::BlobFile(const std::filesystem::path& path, bool writable)
    : file_(path, writable ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Read) {
    unsigned char h[3];
    if (file_.readSome(0, h, 3) != 3 || h[0] != kHeaderBlock || file_.size() % kBlock != 0)
        corrupt("it does not start with a blob header block or is not made of 4 KiB blocks");
}

BlobFile BlobFile::create(const std::filesystem::path& path) {
    BlobFile f(BinaryFile(path, BinaryFile::Mode::Create));
    std::string h(kBlock, '\0');
    h[0] = static_cast<char>(kHeaderBlock);
    putU16(h.data() + 1, 1);              // header size in 4 KiB units
    putU16(h.data() + 3, 0);              // modification count
    putU16(h.data() + 0x0B, kBlock);      // base block size
    putU16(h.data() + 0x0D, kBlock);      // sub-allocated block size
    h[0x10] = 16;                         // sub-allocation chunk size
    putU16(h.data() + 0x11, kSlots);      // values per sub-allocated block
    putU16(h.data() + 0x13, kSmallLimit); // threshold for sub-allocation
    f.file_.writeAt(0, h.data(), h.size());
    return f;
}

void BlobFile::corrupt(const std::string& why) const {
    throw EngineError(code::FileCorrupt, "Blob file " + file_.path().string() + ": " + why);
}

std::uint16_t BlobFile::nextModification() {
    unsigned char m[2];
    file_.readAt(3, m, 2);
    auto next = static_cast<std::uint16_t>(getU16(m) + 1);
    putU16(m, next);
    file_.writeAt(3, m, 2);
    return next;
}

std::uint64_t BlobFile::allocate(std::uint32_t blocks) {
    std::uint64_t at = file_.size();
    std::string zeros(static_cast<std::size_t>(blocks) * kBlock, '\0');
    file_.writeAt(at, zeros.data(), zeros.size());
    return at;
}

BlobRef BlobFile::write(const std::string& bytes) {
    auto length = static_cast<std::uint32_t>(bytes.size());
    std::uint16_t mod = nextModification();
    if (length > kSmallLimit) {
        std::uint32_t blocks = (kSingleHeader + length + kBlock - 1) / kBlock;
        if (static_cast<std::uint64_t>(file_.size()) + std::uint64_t{blocks} * kBlock >
            0xFFFFFF00ull)
            throw EngineError(code::InvalidParameter,
                              "Blob file " + file_.path().string() + " is full");
        std::uint64_t at = allocate(blocks);
        std::string head(kSingleHeader, '\0');
        head[0] = static_cast<char>(kSingle);
        putU16(head.data() + 1, blocks);
        putU32(head.data() + 3, length);
        putU16(head.data() + 7, mod);
        file_.writeAt(at, head.data(), head.size());
        file_.writeAt(at + kSingleHeader, bytes.data(), bytes.size());
        return {static_cast<std::uint32_t>(at) | 0xFF, mod};
    }
    std::uint32_t chunks = length == 0 ? 1 : (length + 15) / 16;
    std::string block(kBlock, '\0');
    int slot = -1;
    std::uint32_t offset = kSubDataStart;
    if (subBlock_ != 0) {
        file_.readAt(subBlock_, block.data(), block.size());
        // Slots are taken from the top down; data grows from 0x150 upwards.
        for (int s = kSlots - 1; s >= 0; --s) {
            const char* e = block.data() + kSlotTable + 5 * s;
            if (e[4] == 0) {
                if (slot < 0 && e[0] == 0)
                    slot = s;
                continue;
            }
            std::uint32_t end =
                static_cast<unsigned char>(e[0]) * 16u + static_cast<unsigned char>(e[1]) * 16u;
            offset = std::max(offset, end);
        }
        if (slot < 0 || offset + chunks * 16 > kBlock)
            slot = -1;
    }
    if (slot < 0) {
        subBlock_ = allocate(1);
        block.assign(kBlock, '\0');
        block[0] = static_cast<char>(kSub);
        putU16(block.data() + 1, 1);
        slot = kSlots - 1;
        offset = kSubDataStart;
    }
    char* e = block.data() + kSlotTable + 5 * slot;
    e[0] = static_cast<char>(offset / 16);
    e[1] = static_cast<char>(chunks);
    putU16(e + 2, mod);
    e[4] = static_cast<char>(length == 0 ? 16 : length - (chunks - 1) * 16);
    std::memcpy(block.data() + offset, bytes.data(), bytes.size());
    file_.writeAt(subBlock_, block.data(), block.size());
    return {static_cast<std::uint32_t>(subBlock_) | static_cast<std::uint32_t>(slot), mod};
}

std::string BlobFile::verify(std::uint32_t locator, std::uint32_t length) {
    std::uint64_t at = locator & ~0xFFu;
    unsigned index = locator & 0xFF;
    if (at == 0 || at % kBlock != 0 || at + kBlock > file_.size())
        return "points to offset " + std::to_string(at) + " outside the blob file";
    unsigned char head[kSlotTable + 5 * kSlots];
    file_.readAt(at, head, sizeof head);
    if (index == 0xFF) {
        if (head[0] != kSingle)
            return "points to a block of type " + std::to_string(head[0]) +
                   " instead of a single-value block";
        if (getU32(head + 3) != length)
            return "says " + std::to_string(length) + " bytes, its block holds " +
                   std::to_string(getU32(head + 3));
        if (at + kSingleHeader + length > file_.size())
            return "its value runs past the end of the blob file";
        return {};
    }
    if (head[0] != kSub)
        return "points to a block of type " + std::to_string(head[0]) +
               " instead of a sub-allocated block";
    if (index >= kSlots)
        return "names slot " + std::to_string(index) + " of 64";
    const unsigned char* e = head + kSlotTable + 5 * index;
    if (e[4] == 0)
        return "names a free slot";
    std::uint32_t stored = (e[1] - 1u) * 16u + e[4];
    if (stored != length)
        return "says " + std::to_string(length) + " bytes, its slot holds " +
               std::to_string(stored);
    if (e[0] * 16u + e[1] * 16u > kBlock || e[0] * 16u < kSubDataStart)
        return "its slot lies outside the block";
    return {};
}

std::string BlobFile::read(std::uint32_t locator, std::uint32_t length) {
    std::string fault = verify(locator, length);
    if (!fault.empty())
        corrupt("a blob reference " + fault);
    std::uint64_t at = locator & ~0xFFu;
    unsigned index = locator & 0xFF;
    std::string out(length, '\0');
    if (index == 0xFF) {
        file_.readAt(at + kSingleHeader, out.data(), out.size());
    } else {
        unsigned char e[5];
        file_.readAt(at + kSlotTable + 5 * index, e, 5);
        file_.readAt(at + e[0] * 16u, out.data(), out.size());
    }
    return out;
}

void BlobFile::release(std::uint32_t locator) {
    std::uint64_t at = locator & ~0xFFu;
    unsigned index = locator & 0xFF;
    if (at == 0 || at % kBlock != 0 || at + kBlock > file_.size())
        return;
    if (index == 0xFF) {
        char type = static_cast<char>(kFree);
        file_.writeAt(at, &type, 1);
    } else if (index < kSlots) {
        char zero[5] = {};
        file_.writeAt(at + kSlotTable + 5 * index, zero, 5);
    }
}

} // namespace engine::paradox
