#include "engine/dbase/DbfRecords.h"

#include "engine/base/Bytes.h"
#include "engine/dbase/DbfHeader.h"
#include "engine/values/Date.h"

#include <algorithm>

namespace engine::dbase {

namespace {
constexpr std::size_t kWindowBytes = 256 * 1024;
constexpr std::size_t kFlushBytes = 1 << 20;
} // namespace

DbfRecords::DbfRecords(BinaryFile& file, std::uint64_t headerLength, std::size_t recordLength,
                       std::uint32_t count)
    : file_(file), headerLength_(headerLength), recordLength_(recordLength), count_(count) {}

std::string_view DbfRecords::raw(RowId row) {
    flush();
    if (windowFirst_ == 0 || row < windowFirst_ || row >= windowFirst_ + windowRows_) {
        // A read right after the previous one starts a scan: fetch many records.
        bool sequential = row == lastRead_ + 1;
        std::size_t rows = sequential ? std::max<std::size_t>(1, kWindowBytes / recordLength_) : 1;
        rows = std::min<std::size_t>(rows, count_ - row + 1);
        window_.resize(rows * recordLength_);
        file_.readAt(offsetOf(row), window_.data(), window_.size());
        windowFirst_ = row;
        windowRows_ = rows;
    }
    lastRead_ = row;
    return std::string_view(window_).substr((row - windowFirst_) * recordLength_, recordLength_);
}

void DbfRecords::write(RowId row, std::string_view bytes) {
    flush();
    file_.writeAt(offsetOf(row), bytes.data(), bytes.size());
    if (windowFirst_ != 0 && row >= windowFirst_ && row < windowFirst_ + windowRows_)
        std::copy(bytes.begin(), bytes.end(),
                  window_.begin() + (row - windowFirst_) * recordLength_);
    if (!dateWritten_)
        writeHeaderCount();
}

void DbfRecords::writeFlag(RowId row, char flag) {
    std::string bytes(raw(row));
    bytes[0] = flag;
    write(row, bytes);
}

void DbfRecords::syncCount() {
    unsigned char b[4];
    if (file_.readSome(kCountOffset, b, sizeof b) != sizeof b)
        return;
    std::uint32_t onDisk = getU32(b);
    if (onDisk > count_ &&
        headerLength_ + static_cast<std::uint64_t>(onDisk) * recordLength_ <= file_.size())
        count_ = onDisk;
}

void DbfRecords::beginBatch() {
    syncCount();
    batch_ = true;
}

RowId DbfRecords::append(std::string_view bytes) {
    // Another handle may have appended since: the new record goes after its records.
    if (!batch_)
        syncCount();
    pending_.append(bytes);
    ++pendingCount_;
    RowId row = count();
    if (!batch_ || pending_.size() >= kFlushBytes)
        flush();
    return row;
}

void DbfRecords::reserve(std::uint64_t rows) {
    reservedEnd_ = offsetOf(count() + 1 + rows) + 1; // and the end marker
    file_.reserve(reservedEnd_);
}

void DbfRecords::unreserve() {
    flush();
    if (reservedEnd_ > file_.size())
        file_.truncate(file_.size());
    reservedEnd_ = 0;
}

void DbfRecords::flush() {
    if (pendingCount_ == 0)
        return;
    if (beforeFlush_)
        beforeFlush_();
    pending_ += kEndMarker;
    const std::uint64_t offset = offsetOf(count_ + 1);
    file_.writeAt(offset, pending_.data(), pending_.size());
    if (batch_)
        file_.startWriteback(offset, pending_.size());
    count_ += static_cast<std::uint32_t>(pendingCount_);
    pending_.clear();
    pendingCount_ = 0;
    writeHeaderCount();
}

void DbfRecords::endBatch() {
    flush();
    batch_ = false;
}

void DbfRecords::writeHeaderCount() {
    std::string bytes = encodeDateAndCount(Date::today(), count_);
    file_.writeAt(1, bytes.data(), bytes.size());
    dateWritten_ = true;
}

void DbfRecords::reset(std::uint32_t count) {
    pending_.clear();
    pendingCount_ = 0;
    batch_ = false;
    count_ = count;
    windowFirst_ = 0;
    windowRows_ = 0;
    lastRead_ = 0;
}

} // namespace engine::dbase
