#pragma once

#include "engine/files/BinaryFile.h"
#include "engine/table/TableFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace engine::dbase {

// The fixed-length records of a DBF file. Sequential reads fill a window of
// many records per read; appends inside a batch collect in memory and reach
// the file in large writes. Every append writes the records and the 0x1A end
// marker before the header's record count, so the count never points past
// the data.
class DbfRecords {
public:
    DbfRecords(BinaryFile& file, std::uint64_t headerLength, std::size_t recordLength,
               std::uint32_t count);

    std::uint32_t count() const { return count_ + static_cast<std::uint32_t>(pendingCount_); }
    std::size_t recordLength() const { return recordLength_; }

    // The bytes of record `row` (1-based, within count()); valid until the next call.
    std::string_view raw(RowId row);
    void write(RowId row, std::string_view bytes);
    void writeFlag(RowId row, char flag);
    RowId append(std::string_view bytes);
    // Sets aside the disk space of `rows` more records, and gives back what
    // the records appended since did not use.
    void reserve(std::uint64_t rows);
    void unreserve();

    // Called before buffered records reach the file (the memo values they
    // point to must be there first).
    void setBeforeFlush(std::function<void()> hook) { beforeFlush_ = std::move(hook); }
    // Appends inside a batch number their records from the count at its start.
    void beginBatch();
    void endBatch();
    void flush();
    // After another program changed the file, or to drop a failed batch:
    // forget the window, the buffered records and the batch; take the new count.
    void reset(std::uint32_t count);

private:
    std::uint64_t offsetOf(RowId row) const { return headerLength_ + (row - 1) * recordLength_; }
    void writeHeaderCount();
    // Takes a larger record count from the header (appends through another handle).
    void syncCount();

    BinaryFile& file_;
    std::uint64_t headerLength_;
    std::size_t recordLength_;
    std::uint32_t count_; // records in the file (and in its header)

    std::string window_;
    RowId windowFirst_ = 0; // first row in window_, 0 when empty
    std::size_t windowRows_ = 0;
    RowId lastRead_ = 0;

    bool batch_ = false;
    std::string pending_; // appended records not yet written
    std::size_t pendingCount_ = 0;
    bool dateWritten_ = false;
    std::uint64_t reservedEnd_ = 0; // the end of the space set aside
    std::function<void()> beforeFlush_;
};

} // namespace engine::dbase
