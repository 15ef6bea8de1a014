#include "engine/paradox/BlockFile.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"

#include <algorithm>
#include <cstring>

namespace engine::paradox {

namespace {

constexpr int kBlockHeader = 6;
constexpr std::uint32_t kMaxBlocks = 0xFFFF;

bool isDataFileType(std::uint8_t type) {
    return type == ftype::KeyedDb || type == ftype::UnkeyedDb || type == 3 || type == 5 ||
           type == 6 || type == 8;
}

} // namespace

BlockFile::BlockFile(BinaryFile file) : file_(std::move(file)) {}

BlockFile::BlockFile(const std::filesystem::path& path, bool writable)
    : file_(path, writable ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Read) {
    readHeader();
}

BlockFile BlockFile::create(const std::filesystem::path& path, const std::string& header) {
    BlockFile f(BinaryFile(path, BinaryFile::Mode::Create));
    f.file_.writeAt(0, header.data(), header.size());
    f.readHeader();
    return f;
}

void BlockFile::corrupt(const std::string& why) const {
    throw EngineError(code::FileCorrupt, "File " + file_.path().string() + ": " + why);
}

void BlockFile::readHeader() {
    char fixed[hdr::DataHeader];
    if (file_.readSome(0, fixed, sizeof fixed) != sizeof fixed)
        corrupt("the header is cut short");
    int headerSize = getU16(fixed + hdr::HeaderSize);
    recordSize_ = getU16(fixed + hdr::RecordSize);
    blockSize_ = static_cast<unsigned char>(fixed[hdr::BlockKiB]) * 1024;
    if (headerSize < hdr::DataHeader || headerSize % 0x800 != 0)
        corrupt("header size " + std::to_string(headerSize) + " is not a multiple of 2048");
    if (blockSize_ < 1024 || blockSize_ > 32 * 1024)
        corrupt("block size code " + std::to_string(blockSize_ / 1024) + " is not valid");
    if (recordSize_ < 1 || recordSize_ > blockSize_ - kBlockHeader)
        corrupt("record size " + std::to_string(recordSize_) + " does not fit its blocks");
    header_.assign(static_cast<std::size_t>(headerSize), '\0');
    if (file_.readSome(0, header_.data(), header_.size()) != header_.size())
        corrupt("the header is cut short");
    fileBlocks_ = getU16(fixed + hdr::FileBlocks);
    records_ = getU32(fixed + hdr::NumRecords);
}

std::uint64_t BlockFile::blockOffset(std::uint16_t block) const {
    return header_.size() + static_cast<std::uint64_t>(block - 1) * blockSize_;
}

void BlockFile::attach(KeyRule rule) {
    rule_ = std::move(rule);
    chain_.clear();
    changes_.reshaped = true;
    cached_ = 0;
    std::uint64_t need = header_.size() + std::uint64_t{fileBlocks_} * blockSize_;
    if (file_.size() < need)
        corrupt("it ends inside its " + std::to_string(fileBlocks_) + " blocks (" +
                std::to_string(file_.size()) + " of " + std::to_string(need) + " bytes)");
    position_.assign(fileBlocks_ + 1u, -1);
    std::uint16_t block = getU16(header_.data() + hdr::FirstBlock);
    if (records_ == 0 && fileBlocks_ == 0)
        block = 0;
    std::uint16_t previous = 0;
    std::uint64_t total = 0;
    std::string head(static_cast<std::size_t>(kBlockHeader + std::max(rule_.keyLength, 0)), '\0');
    while (block != 0) {
        if (block > fileBlocks_)
            corrupt("the block chain points to block " + std::to_string(block) + " past the " +
                    std::to_string(fileBlocks_) + " blocks of the file");
        if (position_[block] >= 0)
            corrupt("the block chain runs in a circle at block " + std::to_string(block));
        file_.readAt(blockOffset(block), head.data(), head.size());
        int count = getI16(head.data() + 4) / recordSize_ + 1;
        if (getI16(head.data() + 4) % recordSize_ != 0 || count < 0 || count > capacity())
            corrupt("block " + std::to_string(block) + " gives an impossible record count");
        if (getU16(head.data() + 2) != previous)
            corrupt("block " + std::to_string(block) + " points back to block " +
                    std::to_string(getU16(head.data() + 2)) + " instead of " +
                    std::to_string(previous));
        position_[block] = static_cast<int>(chain_.size());
        chain_.push_back(info(block, count, head.data() + kBlockHeader));
        total += static_cast<std::uint64_t>(count);
        previous = block;
        block = getU16(head.data());
    }
    if (total != records_)
        corrupt("the header counts " + std::to_string(records_) + " records, the blocks hold " +
                std::to_string(total));
}

BlockFile::Changes BlockFile::takeChanges() {
    Changes taken = changes_;
    changes_ = {};
    return taken;
}

void BlockFile::touched(int chainIndex) {
    if (changes_.hi < changes_.lo) {
        changes_.lo = changes_.hi = chainIndex;
    } else {
        changes_.lo = std::min(changes_.lo, chainIndex);
        changes_.hi = std::max(changes_.hi, chainIndex);
    }
}

int BlockFile::chainIndexOf(std::uint16_t block) const {
    return block < position_.size() ? position_[block] : -1;
}

std::string BlockFile::sortKey(const char* record) const {
    std::string key(record, static_cast<std::size_t>(rule_.keyLength));
    for (auto [offset, length] : rule_.foldRanges)
        rule_.fold->apply(key.data() + offset, static_cast<std::size_t>(length));
    return key;
}

BlockFile::BlockInfo BlockFile::info(std::uint16_t number, int count, const char* first) const {
    BlockInfo b{number, count, {}, {}};
    setFirst(b, first);
    return b;
}

void BlockFile::setFirst(BlockInfo& block, const char* first) const {
    block.firstRaw.assign(first, static_cast<std::size_t>(rule_.keyLength));
    block.firstKey = sortKey(first);
}

char* BlockFile::load(std::uint16_t block) {
    if (cached_ != block) {
        cache_.resize(static_cast<std::size_t>(blockSize_));
        cached_ = 0;
        file_.readAt(blockOffset(block), cache_.data(), cache_.size());
        cached_ = block;
    }
    return cache_.data();
}

const char* BlockFile::record(Slot at) {
    int index = chainIndexOf(at.block);
    if (index < 0 || at.slot < 0 || at.slot >= chain_[static_cast<std::size_t>(index)].count)
        throw EngineError(code::NotFound, "File " + file_.path().string() +
                                              ": no record at block " + std::to_string(at.block) +
                                              ", slot " + std::to_string(at.slot));
    return load(at.block) + kBlockHeader + at.slot * recordSize_;
}

const char* BlockFile::recordAt(int chainIndex, int slot) {
    return record({chain_[static_cast<std::size_t>(chainIndex)].number, slot});
}

std::pair<int, int> BlockFile::lowerBound(std::string_view key) {
    if (chain_.empty())
        return {0, 0};
    auto it =
        std::upper_bound(chain_.begin(), chain_.end(), key,
                         [](std::string_view k, const BlockInfo& b) { return k < b.firstKey; });
    int index = it == chain_.begin() ? 0 : static_cast<int>(it - chain_.begin()) - 1;
    const BlockInfo& b = chain_[static_cast<std::size_t>(index)];
    const char* data = load(b.number) + kBlockHeader;
    int lo = 0, hi = b.count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (std::string_view(sortKey(data + mid * recordSize_)) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == b.count && index + 1 < static_cast<int>(chain_.size()))
        return {index + 1, 0};
    return {index, lo};
}

Slot BlockFile::find(std::string_view key) {
    auto [index, slot] = lowerBound(key);
    if (index >= static_cast<int>(chain_.size()) ||
        slot >= chain_[static_cast<std::size_t>(index)].count)
        return {};
    if (sortKey(recordAt(index, slot)) != key)
        return {};
    return {chain_[static_cast<std::size_t>(index)].number, slot};
}

void BlockFile::linkHeaders(char* data, int chainIndex) const {
    auto i = static_cast<std::size_t>(chainIndex);
    putU16(data, i + 1 < chain_.size() ? chain_[i + 1].number : 0);
    putU16(data + 2, i > 0 ? chain_[i - 1].number : 0);
    putU16(data + 4, static_cast<std::uint16_t>((chain_[i].count - 1) * recordSize_));
}

void BlockFile::store(int chainIndex, char* data) {
    linkHeaders(data, chainIndex);
    std::uint16_t number = chain_[static_cast<std::size_t>(chainIndex)].number;
    file_.writeAt(blockOffset(number), data, static_cast<std::size_t>(blockSize_));
    if (data != cache_.data())
        cached_ = 0;
}

void BlockFile::storeHeaderOf(int chainIndex) {
    if (chainIndex < 0 || chainIndex >= static_cast<int>(chain_.size()))
        return;
    char head[kBlockHeader];
    linkHeaders(head, chainIndex);
    std::uint16_t number = chain_[static_cast<std::size_t>(chainIndex)].number;
    file_.writeAt(blockOffset(number), head, sizeof head);
    if (cached_ == number)
        std::memcpy(cache_.data(), head, sizeof head);
}

std::uint16_t BlockFile::newBlockNumber() {
    if (fileBlocks_ >= kMaxBlocks)
        throw EngineError(code::InvalidParameter,
                          "File " + file_.path().string() + " is full: it has 65535 blocks");
    ++fileBlocks_;
    position_.push_back(-1);
    return fileBlocks_;
}

void BlockFile::reindexChain(int from) {
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < chain_.size(); ++i)
        position_[chain_[i].number] = static_cast<int>(i);
}

Slot BlockFile::insert(const char* record) {
    int index = 0, slot = 0;
    if (rule_.keyLength > 0) {
        std::tie(index, slot) = lowerBound(sortKey(record));
    } else if (!chain_.empty()) {
        index = static_cast<int>(chain_.size()) - 1;
        slot = chain_.back().count;
    }
    // A new block when the table is empty, or when the record goes after the
    // last one of a full last block (so sequential loads fill whole blocks).
    bool atEnd = chain_.empty() ||
                 (index == static_cast<int>(chain_.size()) - 1 && slot == chain_.back().count);
    if (atEnd && (chain_.empty() || chain_.back().count == capacity())) {
        std::uint16_t number = newBlockNumber();
        chain_.push_back(info(number, 1, record));
        changes_.reshaped = true;
        index = static_cast<int>(chain_.size()) - 1;
        position_[number] = index;
        std::string data(static_cast<std::size_t>(blockSize_), '\0');
        std::memcpy(data.data() + kBlockHeader, record, static_cast<std::size_t>(recordSize_));
        store(index, data.data());
        storeHeaderOf(index - 1);
        ++records_;
        return {number, 0};
    }
    auto i = static_cast<std::size_t>(index);
    if (chain_[i].count == capacity()) {
        // Split the full block half and half; the upper half goes to a new block after it.
        char* data = load(chain_[i].number);
        int keep = chain_[i].count / 2;
        std::uint16_t number = newBlockNumber();
        std::string upper(static_cast<std::size_t>(blockSize_), '\0');
        std::memcpy(upper.data() + kBlockHeader, data + kBlockHeader + keep * recordSize_,
                    static_cast<std::size_t>((chain_[i].count - keep) * recordSize_));
        chain_.insert(chain_.begin() + index + 1,
                      info(number, chain_[i].count - keep, upper.data() + kBlockHeader));
        chain_[i].count = keep;
        changes_.reshaped = true;
        reindexChain(index + 1);
        std::memset(data + kBlockHeader + keep * recordSize_, 0,
                    static_cast<std::size_t>(blockSize_ - kBlockHeader - keep * recordSize_));
        storeHeaderOf(index + 2);
        if (slot > keep) {
            store(index, data);
            slot -= keep;
            ++index;
            i = static_cast<std::size_t>(index);
            cache_ = upper;
            cached_ = number;
        } else {
            store(index + 1, upper.data());
        }
    }
    char* data = load(chain_[i].number);
    char* at = data + kBlockHeader + slot * recordSize_;
    std::memmove(at + recordSize_, at,
                 static_cast<std::size_t>((chain_[i].count - slot) * recordSize_));
    std::memcpy(at, record, static_cast<std::size_t>(recordSize_));
    ++chain_[i].count;
    touched(index);
    if (slot == 0)
        setFirst(chain_[i], record);
    store(index, data);
    ++records_;
    return {chain_[i].number, slot};
}

void BlockFile::replace(Slot at, const char* rec) {
    record(at);
    char* data = load(at.block);
    std::memcpy(data + kBlockHeader + at.slot * recordSize_, rec,
                static_cast<std::size_t>(recordSize_));
    int index = chainIndexOf(at.block);
    if (at.slot == 0) {
        setFirst(chain_[static_cast<std::size_t>(index)], rec);
        touched(index);
    }
    store(index, data);
}

void BlockFile::remove(Slot at) {
    record(at);
    int index = chainIndexOf(at.block);
    auto i = static_cast<std::size_t>(index);
    if (chain_[i].count == 1) {
        unlink(index);
        --records_;
        return;
    }
    char* data = load(at.block);
    char* p = data + kBlockHeader + at.slot * recordSize_;
    std::memmove(p, p + recordSize_,
                 static_cast<std::size_t>((chain_[i].count - at.slot - 1) * recordSize_));
    --chain_[i].count;
    touched(index);
    std::memset(data + kBlockHeader + chain_[i].count * recordSize_, 0,
                static_cast<std::size_t>(recordSize_));
    if (at.slot == 0)
        setFirst(chain_[i], data + kBlockHeader);
    store(index, data);
    --records_;
}

// Takes an emptied block out of the chain and keeps the file without holes:
// the last block of the file moves into the freed place.
void BlockFile::unlink(int chainIndex) {
    std::uint16_t freed = chain_[static_cast<std::size_t>(chainIndex)].number;
    chain_.erase(chain_.begin() + chainIndex);
    changes_.reshaped = true;
    position_[freed] = -1;
    reindexChain(chainIndex);
    storeHeaderOf(chainIndex - 1);
    storeHeaderOf(chainIndex);
    std::uint16_t last = fileBlocks_;
    if (freed != last) {
        int moved = position_[last];
        std::string data(static_cast<std::size_t>(blockSize_), '\0');
        file_.readAt(blockOffset(last), data.data(), data.size());
        chain_[static_cast<std::size_t>(moved)].number = freed;
        position_[freed] = moved;
        store(moved, data.data());
        storeHeaderOf(moved - 1);
        storeHeaderOf(moved + 1);
    }
    position_.pop_back();
    --fileBlocks_;
    cached_ = 0;
    file_.truncate(blockOffset(1) + std::uint64_t{fileBlocks_} * blockSize_);
}

void BlockFile::appendRun(const char* records, std::size_t count) {
    std::size_t done = 0;
    if (!chain_.empty() && chain_.back().count < capacity() && count > 0) {
        int index = static_cast<int>(chain_.size()) - 1;
        char* data = load(chain_.back().number);
        auto room = static_cast<std::size_t>(capacity() - chain_.back().count);
        std::size_t take = std::min(room, count);
        std::memcpy(data + kBlockHeader + chain_.back().count * recordSize_, records,
                    take * static_cast<std::size_t>(recordSize_));
        chain_.back().count += static_cast<int>(take);
        changes_.reshaped = true;
        store(index, data);
        done = take;
    }
    // Whole blocks, written a run at a time.
    constexpr std::size_t kRun = 64;
    std::string run;
    std::size_t firstNew = chain_.size();
    while (done < count) {
        std::size_t take = std::min(static_cast<std::size_t>(capacity()), count - done);
        std::uint16_t number = newBlockNumber();
        changes_.reshaped = true;
        chain_.push_back(info(number, static_cast<int>(take),
                              records + done * static_cast<std::size_t>(recordSize_)));
        position_[number] = static_cast<int>(chain_.size()) - 1;
        std::size_t at = run.size();
        run.resize(at + static_cast<std::size_t>(blockSize_), '\0');
        std::memcpy(run.data() + at + kBlockHeader,
                    records + done * static_cast<std::size_t>(recordSize_),
                    take * static_cast<std::size_t>(recordSize_));
        done += take;
        if (run.size() / static_cast<std::size_t>(blockSize_) == kRun || done == count) {
            std::size_t blocks = run.size() / static_cast<std::size_t>(blockSize_);
            std::size_t first = chain_.size() - blocks;
            for (std::size_t b = 0; b < blocks; ++b)
                linkHeaders(run.data() + b * static_cast<std::size_t>(blockSize_),
                            static_cast<int>(first + b));
            // The last block's forward link is fixed when the next run follows.
            file_.writeAt(blockOffset(chain_[first].number), run.data(), run.size());
            run.clear();
        }
    }
    for (std::size_t b = firstNew; b < chain_.size(); b += kRun)
        storeHeaderOf(static_cast<int>(b) - 1);
    records_ += count;
    cached_ = 0;
}

void BlockFile::clear() {
    chain_.clear();
    changes_.reshaped = true;
    position_.assign(1, -1);
    fileBlocks_ = 0;
    records_ = 0;
    cached_ = 0;
    file_.truncate(header_.size());
}

void BlockFile::setModified(bool on) {
    header_[hdr::Modified] = on ? 1 : 0;
    file_.writeAt(hdr::Modified, header_.data() + hdr::Modified, 1);
}

void BlockFile::writeHeader() {
    char* h = header_.data();
    putU32(h + hdr::NumRecords, static_cast<std::uint32_t>(records_));
    putU16(h + hdr::UsedBlocks, fileBlocks_);
    putU16(h + hdr::FileBlocks, fileBlocks_);
    putU16(h + hdr::FirstBlock, chain_.empty() ? 0 : chain_.front().number);
    putU16(h + hdr::LastBlock, chain_.empty() ? 0 : chain_.back().number);
    putU16(h + hdr::MaxBlocks, fileBlocks_);
    putU16(h + hdr::FirstFreeBlock, 0);
    bool data = isDataFileType(static_cast<std::uint8_t>(h[hdr::FileType]));
    file_.writeAt(0, h, static_cast<std::size_t>(data ? hdr::DataHeaderEnd : hdr::DataHeader));
}

void BlockFile::writeWholeHeader() {
    writeHeader();
    file_.writeAt(0, header_.data(), header_.size());
}

std::vector<std::string> BlockFile::check(const std::string& label) {
    std::vector<std::string> faults;
    std::uint64_t expected = header_.size() + std::uint64_t{fileBlocks_} * blockSize_;
    if (file_.size() != expected)
        faults.push_back(label + ": file size " + std::to_string(file_.size()) +
                         " is not header + " + std::to_string(fileBlocks_) + " whole blocks (" +
                         std::to_string(expected) + ")");
    if (chain_.size() != fileBlocks_)
        faults.push_back(label + ": " + std::to_string(fileBlocks_ - chain_.size()) +
                         " blocks of the file are outside the chain");
    if (rule_.keyLength == 0)
        return faults;
    std::string previous;
    bool first = true;
    for (std::size_t i = 0; i < chain_.size(); ++i) {
        if (chain_[i].count == 0)
            faults.push_back(label + ": block " + std::to_string(chain_[i].number) +
                             " in the chain is empty");
        for (int s = 0; s < chain_[i].count; ++s) {
            std::string key = sortKey(recordAt(static_cast<int>(i), s));
            if (s == 0 && key != chain_[i].firstKey)
                faults.push_back(label + ": block " + std::to_string(chain_[i].number) +
                                 " does not start with the key read when the file was opened");
            if (!first && key <= previous)
                faults.push_back(label + ": block " + std::to_string(chain_[i].number) + " slot " +
                                 std::to_string(s) + " is not in strict key order");
            previous = std::move(key);
            first = false;
        }
    }
    return faults;
}

RunWriter::RunWriter(BlockFile& file)
    : file_(file), recordSize_(static_cast<std::size_t>(file.recordSize())),
      limit_(static_cast<std::size_t>(file.capacity()) * 64) {
    staged_.reserve(limit_ * recordSize_);
}

void RunWriter::add(const char* record) {
    staged_.append(record, recordSize_);
    if (++count_ == limit_)
        finish();
}

void RunWriter::finish() {
    if (count_ > 0)
        file_.appendRun(staged_.data(), count_);
    staged_.clear();
    count_ = 0;
}

} // namespace engine::paradox
