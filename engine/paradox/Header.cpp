#include "engine/paradox/Header.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/paradox/BlockFile.h"

#include <cstring>

namespace engine::paradox {

namespace {

constexpr std::uint8_t kVersion4 = 9, kVersion5 = 0x0B, kVersion7 = 0x0C;

std::size_t tableNameSize(std::uint8_t version) {
    return version >= kVersion7 ? 261 : 79;
}
bool hasDataHeader(std::uint8_t version) {
    return version >= 5;
}

} // namespace

std::uint8_t versionFor(const std::vector<PxField>& fields) {
    for (const PxField& f : fields)
        if (needsLevel5(f.def.type))
            return kVersion5;
    return kVersion4;
}

int keyLengthOf(const DataHeader& h) {
    int length = 0;
    for (int i = 0; i < h.keyFields && i < static_cast<int>(h.fields.size()); ++i)
        length += h.fields[static_cast<std::size_t>(i)].width;
    return length;
}

std::string buildDataHeader(const DataHeader& h) {
    std::string var;
    for (const PxField& f : h.fields) {
        var += static_cast<char>(f.code);
        var += static_cast<char>(f.sizeByte);
    }
    var.append(4 + 4 * h.fields.size(), '\0'); // in-memory pointers
    std::string name = h.tableName.substr(0, tableNameSize(h.version) - 1);
    name.resize(tableNameSize(h.version), '\0');
    var += name;
    for (const PxField& f : h.fields) {
        var += f.def.name;
        var += '\0';
    }
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        char n[2];
        putU16(n, i < h.fieldNumbers.size() ? static_cast<std::uint32_t>(h.fieldNumbers[i])
                                            : static_cast<std::uint32_t>(i + 1));
        var.append(n, 2);
    }
    var += h.sortOrderName;
    var += '\0';
    bool index = h.fileType != ftype::KeyedDb && h.fileType != ftype::UnkeyedDb;
    if (index) {
        var += h.indexName;
        var += '\0';
    }
    std::size_t used = hdr::DataHeaderEnd + var.size();
    std::size_t size = (used + 0x7FF) / 0x800 * 0x800;
    std::string out(size, '\0');
    char* p = out.data();
    int recordSize = 0;
    for (const PxField& f : h.fields)
        recordSize += f.width;
    putU16(p + hdr::RecordSize, static_cast<std::uint32_t>(recordSize));
    putU16(p + hdr::HeaderSize, static_cast<std::uint32_t>(size));
    p[hdr::FileType] = static_cast<char>(h.fileType);
    p[hdr::BlockKiB] = static_cast<char>(h.blockSize / 1024);
    p[hdr::IndexFieldNumber] = static_cast<char>(h.indexFieldNumber);
    putU16(p + hdr::NumFields, static_cast<std::uint32_t>(h.fields.size()));
    putU16(p + hdr::KeyFields, static_cast<std::uint32_t>(h.keyFields));
    putU32(p + hdr::Encryption1, 0xFF00FF00u);
    p[hdr::SortOrder] = static_cast<char>(h.sortOrder);
    p[hdr::ChangeCount1] = 2;
    p[hdr::ChangeCount2] = 1;
    p[hdr::Version] = static_cast<char>(h.version);
    if (!index) {
        p[hdr::DbMarker] = 0x1F;
        p[hdr::DbMarker + 1] = 0x0F;
    }
    putU32(p + hdr::AutoInc, h.autoInc);
    putU16(p + hdr::RealHeaderSize, static_cast<std::uint32_t>(used));
    p[hdr::CaseInsensitive] = h.caseInsensitive ? 1 : 0;
    if (!index)
        p[0x56] = 0x20;
    putU16(p + hdr::DataHeader, 0x0100u | h.version);
    putU16(p + hdr::DataHeader + 2, 0x0100u | h.version);
    putU16(p + hdr::HiFieldId, static_cast<std::uint32_t>(h.fields.size() + 1));
    putU16(p + 0x68, static_cast<std::uint32_t>(h.fields.size()));
    putU16(p + hdr::CodePage, static_cast<std::uint32_t>(h.codePage));
    std::memcpy(p + hdr::DataHeaderEnd, var.data(), var.size());
    return out;
}

DataHeader parseDataHeader(const std::string& bytes, const std::string& file) {
    auto corrupt = [&](const std::string& why) -> EngineError {
        return EngineError(code::FileCorrupt, "File " + file + ": " + why);
    };
    const char* p = bytes.data();
    DataHeader h;
    h.fileType = static_cast<std::uint8_t>(p[hdr::FileType]);
    h.version = static_cast<std::uint8_t>(p[hdr::Version]);
    h.blockSize = static_cast<unsigned char>(p[hdr::BlockKiB]) * 1024;
    h.keyFields = getI16(p + hdr::KeyFields);
    h.sortOrder = static_cast<std::uint8_t>(p[hdr::SortOrder]);
    h.autoInc = getU32(p + hdr::AutoInc);
    h.indexFieldNumber = static_cast<std::uint8_t>(p[hdr::IndexFieldNumber]);
    h.caseInsensitive = p[hdr::CaseInsensitive] == 1;
    int numFields = getI16(p + hdr::NumFields);
    if (h.version < 3 || h.version > kVersion7)
        throw EngineError(code::NotSupported, "File " + file + ": file version " +
                                                  std::to_string(h.version) + " is not supported");
    if (numFields < 1 || numFields > kMaxFields)
        throw corrupt("the header gives " + std::to_string(numFields) + " fields, outside 1.." +
                      std::to_string(kMaxFields));
    if (h.keyFields < 0 || h.keyFields > numFields)
        throw corrupt("the header gives " + std::to_string(h.keyFields) + " key fields for " +
                      std::to_string(numFields) + " fields");
    std::size_t at = hdr::DataHeader;
    if (hasDataHeader(h.version)) {
        if (getU32(p + hdr::Encryption2) != 0)
            throw EngineError(code::NotSupported, "File " + file + " is encrypted");
        h.codePage = getU16(p + hdr::CodePage);
        at = hdr::DataHeaderEnd;
    } else if (getU32(p + hdr::Encryption1) != 0) {
        throw EngineError(code::NotSupported, "File " + file + " is encrypted");
    }
    auto need = [&](std::size_t n) {
        if (at + n > bytes.size())
            throw corrupt("the field list runs past the end of the header");
    };
    need(2 * static_cast<std::size_t>(numFields));
    std::vector<std::pair<std::uint8_t, std::uint8_t>> desc;
    for (int i = 0; i < numFields; ++i, at += 2)
        desc.emplace_back(static_cast<std::uint8_t>(p[at]), static_cast<std::uint8_t>(p[at + 1]));
    at += 4 + 4 * static_cast<std::size_t>(numFields);
    need(tableNameSize(h.version));
    h.tableName = std::string(p + at, strnlen(p + at, tableNameSize(h.version)));
    at += tableNameSize(h.version);
    auto readString = [&]() {
        std::size_t end = bytes.find('\0', at);
        if (end == std::string::npos)
            throw corrupt("a name in the header is not terminated");
        std::string s = bytes.substr(at, end - at);
        at = end + 1;
        return s;
    };
    for (int i = 0; i < numFields; ++i) {
        std::string name = readString();
        h.fields.push_back(fieldFromDescriptor(desc[static_cast<std::size_t>(i)].first,
                                               desc[static_cast<std::size_t>(i)].second, name,
                                               file));
    }
    need(2 * static_cast<std::size_t>(numFields));
    for (int i = 0; i < numFields; ++i, at += 2)
        h.fieldNumbers.push_back(getU16(p + at));
    h.sortOrderName = readString();
    if (h.fileType != ftype::KeyedDb && h.fileType != ftype::UnkeyedDb && at < bytes.size())
        h.indexName = readString();
    int recordSize = layOut(h.fields);
    if (recordSize != getU16(p + hdr::RecordSize))
        throw corrupt("the fields add up to " + std::to_string(recordSize) +
                      " bytes, the header gives a record size of " +
                      std::to_string(getU16(p + hdr::RecordSize)));
    return h;
}

} // namespace engine::paradox
