// DbfTable::check: the DBF, its memo file and its production index against
// each other.
#include "engine/dbase/DbfTable.h"

#include "engine/base/EngineError.h"
#include "engine/dbase/FieldCodec.h"

#include <cstdio>
#include <map>

namespace engine::dbase {

namespace {
constexpr std::size_t kMaxRecordFaults = 100;
} // namespace

void DbfTable::checkRecords(std::vector<std::string>& faults) {
    // Memo block -> the first record and field that point to it.
    std::map<std::uint32_t, std::pair<RowId, std::size_t>> owners;
    std::size_t found = 0;
    auto fault = [&](RowId row, const std::string& what) {
        if (++found <= kMaxRecordFaults)
            faults.push_back("Table " + name() + ", record " + std::to_string(row) + ": " + what);
    };
    const std::uint64_t n = rowCount();
    for (RowId row = 1; row <= n; ++row) {
        std::string_view raw = records_->raw(row);
        if (raw[0] != ' ' && raw[0] != '*') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned char>(raw[0]));
            fault(row, std::string("deletion flag is ") + buf + ", neither blank nor '*'");
        }
        for (std::size_t i = 0; i < header_.fields.size(); ++i) {
            const FieldDef& f = header_.fields[i];
            std::string_view bytes = raw.substr(header_.offsets[i], f.length);
            if (!isWellFormed(f, bytes)) {
                fault(row, "field " + f.name + " holds \"" + std::string(bytes) +
                               "\", which is not a valid " + fieldTypeName(f.type) + " value");
                continue;
            }
            std::uint32_t block = isBlobType(f.type) ? decodeBlockPointer(bytes) : 0;
            if (block == 0)
                continue;
            if (block >= memo_->nextFree())
                fault(row, "field " + f.name + " points to memo block " + std::to_string(block) +
                               ", at or past the next free block " +
                               std::to_string(memo_->nextFree()));
            else if (auto why = memo_->fault(block))
                fault(row, "field " + f.name + ": memo " + *why);
            else if (auto [owner, fresh] = owners.try_emplace(block, row, i); !fresh)
                fault(row, "field " + f.name + " points to memo block " + std::to_string(block) +
                               ", which record " + std::to_string(owner->second.first) +
                               " (field " + header_.fields[owner->second.second].name +
                               ") uses too");
        }
    }
    if (found > kMaxRecordFaults)
        faults.push_back("Table " + name() + ": " + std::to_string(found - kMaxRecordFaults) +
                         " more record faults");
}

std::vector<std::string> DbfTable::check() {
    std::vector<std::string> faults;
    try {
        refresh(); // the files as they are now, whoever wrote them
    } catch (const EngineError& e) {
        faults.push_back(e.what());
        return faults;
    }
    if (std::string driver = unmappedDriver(); !driver.empty())
        faults.push_back(driver);
    std::uint64_t end = header_.headerLength + rowCount() * header_.recordLength;
    char marker = 0;
    if (file_.readSome(end, &marker, 1) != 1)
        faults.push_back("Table " + name() +
                         ": the 0x1A end marker after the last record is missing");
    else if (marker != kEndMarker)
        faults.push_back("Table " + name() +
                         ": the byte after the last record is not the 0x1A end marker");

    for (const FieldDef& f : header_.fields) {
        bool number = f.type == FieldType::Numeric || f.type == FieldType::Float;
        if (number && f.decimals > 0 && f.decimals > f.length - 2)
            faults.push_back("Table " + name() + ": field " + f.name + " has " +
                             std::to_string(f.decimals) + " decimals in a width of " +
                             std::to_string(f.length) + ", which no value can have");
    }
    if (memo_) {
        if (auto why = memo_->headerFault())
            faults.push_back("Table " + name() + ": " + *why);
    }
    checkRecords(faults);

    if (!indexProblem_.empty()) {
        faults.push_back("Table " + name() + ": " + indexProblem_);
    } else if (index_) {
        try {
            for (std::string& line : index_->check(recordSource(index_->fieldsUsed())))
                faults.push_back(std::move(line));
        } catch (const EngineError& e) {
            faults.push_back(e.what());
        }
    }
    return faults;
}

} // namespace engine::dbase
