#include "engine/dbase/DbfHeader.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"

#include <cstdio>
#include <cstring>
#include <set>

namespace engine::dbase {

namespace {

std::string hexByte(unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", value);
    return buf;
}

bool typeFromLetter(char letter, FieldType& type) {
    switch (letter) {
    case 'C':
        type = FieldType::Character;
        return true;
    case 'N':
        type = FieldType::Numeric;
        return true;
    case 'F':
        type = FieldType::Float;
        return true;
    case 'D':
        type = FieldType::Date;
        return true;
    case 'L':
        type = FieldType::Logical;
        return true;
    case 'M':
        type = FieldType::Memo;
        return true;
    case 'B':
        type = FieldType::Binary;
        return true;
    case 'G':
        type = FieldType::Ole;
        return true;
    default:
        return false;
    }
}

char letterOf(FieldType type) {
    switch (type) {
    case FieldType::Character:
        return 'C';
    case FieldType::Numeric:
        return 'N';
    case FieldType::Float:
        return 'F';
    case FieldType::Date:
        return 'D';
    case FieldType::Logical:
        return 'L';
    case FieldType::Memo:
        return 'M';
    case FieldType::Binary:
        return 'B';
    case FieldType::Ole:
        return 'G';
    default:
        return 0;
    }
}

// Year byte: we write year - 1900; some writers store year mod 100.
int yearFromByte(unsigned char b) {
    return b < 80 ? 2000 + b : 1900 + b;
}

} // namespace

namespace {

EngineError corruptHeader(const std::string& table, const std::string& what) {
    return EngineError(code::FileCorrupt, "Table " + table + ": " + what);
}

// The 32 bytes in front of the field descriptors.
DbfHeader readFixedPart(const BinaryFile& file, const std::string& name) {
    std::uint64_t fileSize = file.size();
    unsigned char fixed[kFixedHeaderSize];
    if (file.readSome(0, fixed, sizeof fixed) != sizeof fixed)
        throw corruptHeader(name,
                            "the header is truncated (" + std::to_string(fileSize) + " bytes)");
    DbfHeader h;
    h.version = fixed[0];
    if (h.version == 0x04 || h.version == 0x8C)
        throw EngineError(code::NotSupported,
                          "Table " + name + " is a dBase 7 table, which is not supported");
    if (h.version != kVersionPlain && h.version != kVersionMemo3 && h.version != kVersionMemo4)
        throw EngineError(code::NotSupported, "Table " + name +
                                                  " is not a dBase III/IV table (version byte " +
                                                  hexByte(h.version) + ")");
    h.year = yearFromByte(fixed[1]);
    h.month = fixed[2];
    h.day = fixed[3];
    h.recordCount = getU32(fixed + 4);
    h.headerLength = getU16(fixed + 8);
    h.recordLength = getU16(fixed + 10);
    h.productionIndex = fixed[28] == 0x01;
    h.languageDriver = fixed[29];
    if (h.headerLength < kFixedHeaderSize + kDescriptorSize + 1)
        throw corruptHeader(name,
                            "header length " + std::to_string(h.headerLength) + " is too small");
    if (h.headerLength > fileSize)
        throw corruptHeader(name, "header length " + std::to_string(h.headerLength) +
                                      " is past the end of the file (" + std::to_string(fileSize) +
                                      " bytes)");
    return h;
}

// One 32-byte field descriptor; `number` counts from 1.
FieldDef readDescriptor(const unsigned char* d, std::size_t number, const std::string& name) {
    FieldDef f;
    std::size_t nameLen = 0;
    while (nameLen < 11 && d[nameLen] != 0)
        ++nameLen;
    f.name = trimRight(std::string(reinterpret_cast<const char*>(d), nameLen));
    if (f.name.empty())
        throw corruptHeader(name, "field " + std::to_string(number) + " has no name");
    if (!typeFromLetter(static_cast<char>(d[11]), f.type))
        throw EngineError(code::NotSupported, "Table " + name + ": field " + f.name + " has type " +
                                                  hexByte(d[11]) + ", which is not supported");
    f.length = d[16];
    f.decimals = (f.type == FieldType::Numeric || f.type == FieldType::Float) ? d[17] : 0;
    bool widthOk = f.length > 0;
    if (f.type == FieldType::Date)
        widthOk = f.length == 8;
    else if (f.type == FieldType::Logical)
        widthOk = f.length == 1;
    else if (isBlobType(f.type))
        widthOk = f.length == 10;
    if (!widthOk)
        throw corruptHeader(name, "field " + f.name + " has an impossible width " +
                                      std::to_string(f.length));
    return f;
}

} // namespace

DbfHeader readDbfHeader(const BinaryFile& file) {
    const std::string name = file.path().string();
    DbfHeader h = readFixedPart(file, name);
    std::string bytes(h.headerLength, '\0');
    file.readAt(0, bytes.data(), bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());

    std::size_t pos = kFixedHeaderSize;
    int offset = 1;
    std::set<std::string> names;
    while (true) {
        if (pos >= bytes.size())
            throw corruptHeader(name, "header length " + std::to_string(h.headerLength) +
                                          " does not match its field descriptors (no 0x0D "
                                          "terminator)");
        if (p[pos] == 0x0D)
            break;
        if (pos + kDescriptorSize > bytes.size())
            throw corruptHeader(name, "header length " + std::to_string(h.headerLength) +
                                          " cuts a field descriptor short");
        FieldDef f = readDescriptor(p + pos, h.fields.size() + 1, name);
        if (!names.insert(toUpperAscii(f.name)).second)
            throw corruptHeader(name, "field " + f.name + " appears twice");
        h.offsets.push_back(offset);
        offset += f.length;
        h.ownTag.push_back(p[pos + 31]);
        h.fields.push_back(f);
        pos += kDescriptorSize;
    }
    if (offset != h.recordLength)
        throw corruptHeader(name, "record length " + std::to_string(h.recordLength) +
                                      " does not match its fields (" + std::to_string(offset) +
                                      " bytes)");
    std::uint64_t dataEnd =
        h.headerLength + static_cast<std::uint64_t>(h.recordCount) * h.recordLength;
    if (dataEnd > file.size())
        throw corruptHeader(name, "record count " + std::to_string(h.recordCount) +
                                      " points past the end of the file (" +
                                      std::to_string(file.size()) + " bytes)");
    return h;
}

FieldList normaliseFields(const FieldList& fields, const std::string& table) {
    auto bad = [&](const FieldDef& f, const std::string& why) -> EngineError {
        return EngineError(code::BadValue, "Table " + table + ": field " + f.name + " " + why);
    };
    if (fields.empty())
        throw EngineError(code::InvalidParameter, "Table " + table + " needs at least one field");
    if (fields.size() > 255)
        throw EngineError(code::TooManyFields, "Table " + table + " has " +
                                                   std::to_string(fields.size()) +
                                                   " fields; a dBase table holds at most 255");
    FieldList out;
    std::set<std::string> names;
    int recordLength = 1;
    for (FieldDef f : fields) {
        f.name = toUpperAscii(f.name);
        bool nameOk =
            !f.name.empty() && f.name.size() <= 10 && f.name[0] >= 'A' && f.name[0] <= 'Z';
        for (char c : f.name)
            nameOk = nameOk && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
        if (!nameOk)
            throw EngineError(code::InvalidName,
                              "Table " + table + ": field name \"" + f.name +
                                  "\" must be 1 to 10 letters, digits or underscores, "
                                  "starting with a letter");
        if (!names.insert(f.name).second)
            throw EngineError(code::InvalidName,
                              "Table " + table + ": field " + f.name + " appears twice");
        switch (f.type) {
        case FieldType::Character:
            if (f.length < 1 || f.length > 254)
                throw bad(f, "must be 1 to 254 characters wide");
            f.decimals = 0;
            break;
        case FieldType::Numeric:
        case FieldType::Float:
            if (f.length < 1 || f.length > 20)
                throw bad(f, "must be 1 to 20 digits wide");
            if (f.decimals < 0 || f.decimals > 18 || (f.decimals > 0 && f.decimals > f.length - 2))
                throw bad(f, "cannot have " + std::to_string(f.decimals) + " decimals in width " +
                                 std::to_string(f.length));
            break;
        case FieldType::Date:
            f.length = 8, f.decimals = 0;
            break;
        case FieldType::Logical:
            f.length = 1, f.decimals = 0;
            break;
        case FieldType::Memo:
        case FieldType::Binary:
        case FieldType::Ole:
            f.length = 10, f.decimals = 0;
            break;
        default:
            throw bad(f, std::string("has type ") + fieldTypeName(f.type) +
                             ", which a dBase table cannot hold");
        }
        recordLength += f.length;
        out.push_back(f);
    }
    if (recordLength > 4000)
        throw EngineError(code::BadValue, "Table " + table + ": records of " +
                                              std::to_string(recordLength) +
                                              " bytes are longer than the dBase limit of 4000");
    return out;
}

DbfHeader newDbfHeader(const FieldList& fields, std::uint8_t languageDriver) {
    DbfHeader h;
    bool memo = false;
    int offset = 1;
    for (const FieldDef& f : fields) {
        memo = memo || isBlobType(f.type);
        h.offsets.push_back(offset);
        h.ownTag.push_back(0);
        offset += f.length;
    }
    h.version = memo ? kVersionMemo4 : kVersionPlain;
    Date today = Date::today();
    h.year = today.year(), h.month = today.month(), h.day = today.day();
    h.headerLength =
        static_cast<std::uint16_t>(kFixedHeaderSize + kDescriptorSize * fields.size() + 1);
    h.recordLength = static_cast<std::uint16_t>(offset);
    h.languageDriver = languageDriver;
    h.fields = fields;
    return h;
}

std::string encodeDateAndCount(Date date, std::uint32_t count) {
    std::string out(7, '\0');
    out[0] = static_cast<char>(date.year() - 1900);
    out[1] = static_cast<char>(date.month());
    out[2] = static_cast<char>(date.day());
    putU32(out.data() + 3, count);
    return out;
}

std::string encodeDbfHeader(const DbfHeader& h) {
    std::string out(h.headerLength, '\0');
    out[0] = static_cast<char>(h.version);
    out[1] = static_cast<char>(h.year - 1900);
    out[2] = static_cast<char>(h.month);
    out[3] = static_cast<char>(h.day);
    putU32(out.data() + 4, h.recordCount);
    putU16(out.data() + 8, h.headerLength);
    putU16(out.data() + 10, h.recordLength);
    out[28] = h.productionIndex ? 1 : 0;
    out[29] = static_cast<char>(h.languageDriver);
    std::size_t pos = kFixedHeaderSize;
    for (std::size_t i = 0; i < h.fields.size(); ++i, pos += kDescriptorSize) {
        const FieldDef& f = h.fields[i];
        std::memcpy(out.data() + pos, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
        out[pos + 11] = letterOf(f.type);
        out[pos + 16] = static_cast<char>(f.length);
        out[pos + 17] = static_cast<char>(f.decimals);
        out[pos + 31] = static_cast<char>(h.ownTag[i]);
    }
    out[pos] = 0x0D;
    return out;
}

} // namespace engine::dbase
