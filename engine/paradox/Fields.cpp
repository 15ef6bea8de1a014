#include "engine/paradox/Fields.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/values/NumberText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace engine::paradox {

namespace {

struct TypeCode {
    FieldType type;
    std::uint8_t code;
    const char* name; // as Paradox calls the type
};

constexpr TypeCode kCodes[] = {
    {FieldType::Character, 0x01, "Alpha"},
    {FieldType::Date, 0x02, "Date"},
    {FieldType::Short, 0x03, "Short"},
    {FieldType::Long, 0x04, "Long integer"},
    {FieldType::Currency, 0x05, "Money"},
    {FieldType::Double, 0x06, "Number"},
    {FieldType::Logical, 0x09, "Logical"},
    {FieldType::Memo, 0x0C, "Memo"},
    {FieldType::Binary, 0x0D, "Binary"},
    {FieldType::FormattedMemo, 0x0E, "Formatted memo"},
    {FieldType::Ole, 0x0F, "OLE"},
    {FieldType::Graphic, 0x10, "Graphic"},
    {FieldType::Time, 0x14, "Time"},
    {FieldType::Timestamp, 0x15, "Timestamp"},
    {FieldType::AutoInc, 0x16, "Autoincrement"},
    {FieldType::Bcd, 0x17, "BCD"},
    {FieldType::Bytes, 0x18, "Bytes"},
};

constexpr int kBcdWidth = 17;
constexpr int kMaxLeader = 240;
constexpr int kMaxBcdDecimals = 32;
constexpr int kBlobReference = 10; // locator, length and modification number after the leader
constexpr std::int64_t kDayOfJulianZero = 1721425; // Julian day of 0000-12-31

int fixedWidth(FieldType type) {
    switch (type) {
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
        return 4;
    case FieldType::Short:
        return 2;
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Timestamp:
        return 8;
    case FieldType::Logical:
        return 1;
    case FieldType::Bcd:
        return kBcdWidth;
    default:
        return 0;
    }
}

// Names the table and field in a message; built only when one is needed.
struct Where {
    const std::string& table;
    const std::string& field;
    std::string text() const { return table + ", field " + field; }
};

[[noreturn]] void badValue(const Where& where, const std::string& why) {
    throw EngineError(code::BadValue, where.text() + ": " + why);
}

// Integers: two's complement, big-endian, top bit flipped, so that byte
// order is numeric order. The smallest value would encode as the blank.
void putSortableInt(char* out, int width, std::int64_t v, const Where& context) {
    std::int64_t limit = std::int64_t{1} << (8 * width - 1);
    if (v <= -limit || v >= limit)
        badValue(context, "value " + std::to_string(v) + " is out of range");
    auto u = static_cast<std::uint64_t>(v) ^ (std::uint64_t{1} << (8 * width - 1));
    for (int i = width - 1; i >= 0; --i, u >>= 8)
        out[i] = static_cast<char>(u & 0xFF);
}

std::int64_t getSortableInt(const char* in, int width) {
    std::uint64_t u = 0;
    for (int i = 0; i < width; ++i)
        u = (u << 8) | static_cast<unsigned char>(in[i]);
    u ^= std::uint64_t{1} << (8 * width - 1);
    int shift = 64 - 8 * width; // sign-extend
    return static_cast<std::int64_t>(u << shift) >> shift;
}

// Doubles: IEEE big-endian; positive values get the sign bit set, negative
// values have every bit inverted.
void putSortableDouble(char* out, double d, const Where& context) {
    if (std::isnan(d))
        badValue(context, "not a number");
    if (d == 0)
        d = 0; // -0 sorts as 0
    auto u = std::bit_cast<std::uint64_t>(d);
    u = (u >> 63) ? ~u : (u | (std::uint64_t{1} << 63));
    for (int i = 7; i >= 0; --i, u >>= 8)
        out[i] = static_cast<char>(u & 0xFF);
}

double getSortableDouble(const char* in) {
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u = (u << 8) | static_cast<unsigned char>(in[i]);
    u = (u >> 63) ? (u & ~(std::uint64_t{1} << 63)) : ~u;
    return std::bit_cast<double>(u);
}

// BCD: the first byte holds the sign (0x80 = positive) and the precision;
// 32 decimal digits follow as nibbles, the last `decimals` of them the
// fraction. A negative value has every nibble inverted.
void putBcd(char* out, const Decimal& value, int decimals, const Where& context) {
    std::string digits; // without leading zeros
    for (char c : roundDecimal(value, decimals).text)
        if ((c >= '1' && c <= '9') || (c == '0' && !digits.empty()))
            digits += c;
    if (digits.size() > 32)
        badValue(context, "value is too large for a BCD field");
    unsigned char nibbles[32] = {};
    for (std::size_t i = 0; i < digits.size(); ++i)
        nibbles[32 - digits.size() + i] = static_cast<unsigned char>(digits[i] - '0');
    bool negative = !value.text.empty() && value.text.front() == '-' &&
                    digits.find_first_not_of('0') != std::string::npos;
    out[0] = static_cast<char>(negative ? (~(0x80 | 32) & 0xFF) : (0x80 | 32));
    for (int i = 0; i < 16; ++i) {
        unsigned char hi = nibbles[2 * i], lo = nibbles[2 * i + 1];
        if (negative) {
            hi = 15 - hi;
            lo = 15 - lo;
        }
        out[1 + i] = static_cast<char>((hi << 4) | lo);
    }
}

Decimal getBcd(const char* in, int decimals) {
    bool negative = !(static_cast<unsigned char>(in[0]) & 0x80);
    std::string digits = negative ? "-" : "";
    for (int i = 0; i < 32; ++i) {
        unsigned char b = static_cast<unsigned char>(in[1 + i / 2]);
        int nibble = (i % 2) ? (b & 0x0F) : (b >> 4);
        if (negative)
            nibble = 15 - nibble;
        if (i == 32 - decimals)
            digits += '.';
        digits += static_cast<char>('0' + (nibble > 9 ? 9 : nibble));
    }
    return parseDecimal(digits).value_or(Decimal{"0"});
}

// The exact decimal of a number value.
Decimal decimalOf(const Value& value, const Where& context) {
    if (value.isDecimal())
        return value.decimal();
    if (value.isInteger())
        return engine::decimalOf(value.integer());
    if (value.isNumber()) {
        if (auto d = engine::decimalOf(value.number()))
            return *d;
        badValue(context, "not a finite number");
    }
    badValue(context, "a number was expected");
}

std::int64_t integerOf(const Value& value, const Where& context) {
    if (value.isInteger())
        return value.integer();
    if (value.isNumber()) {
        double d = value.number();
        if (d != std::floor(d) || std::fabs(d) > 9e18)
            badValue(context, "value " + formatNumber(d, -1) + " is not a whole number");
        return static_cast<std::int64_t>(d);
    }
    if (value.isBool())
        return value.boolean() ? 1 : 0;
    badValue(context, "an integer was expected");
}

double numberOf(const Value& value, const Where& context) {
    if (value.isNumber() || value.isInteger())
        return value.asDouble();
    badValue(context, "a number was expected");
}

char32_t upperOf(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && (c & 1))
        return c - 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !(c & 1))
        return c - 1;
    return c;
}

} // namespace

bool needsLevel5(FieldType type) {
    switch (type) {
    case FieldType::Logical:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::Bcd:
    case FieldType::Bytes:
        return true;
    default:
        return false;
    }
}

bool isBlobCode(std::uint8_t code) {
    return code >= 0x0C && code <= 0x10;
}

std::string fieldProblem(const FieldDef& def) {
    if (def.name.size() > 25)
        return "a Paradox field name has at most 25 characters";
    const TypeCode* tc = nullptr;
    for (const TypeCode& c : kCodes)
        if (c.type == def.type)
            tc = &c;
    if (!tc)
        return std::string("type ") + fieldTypeName(def.type) + " is not a Paradox field type";
    if (def.type == FieldType::Character || def.type == FieldType::Bytes) {
        if (def.length < 1 || def.length > 255)
            return "size " + std::to_string(def.length) + " is outside 1..255";
    } else if (isBlobType(def.type)) {
        if (def.length < 0 || def.length > kMaxLeader)
            return "blob size " + std::to_string(def.length) + " is outside 0..240";
    } else if (def.type == FieldType::Bcd) {
        if (def.decimals < 0 || def.decimals > kMaxBcdDecimals)
            return "BCD decimals must be 0.." + std::to_string(kMaxBcdDecimals);
    }
    return {};
}

PxField describeField(const FieldDef& def, const std::string& table) {
    if (std::string why = fieldProblem(def); !why.empty())
        throw EngineError(code::InvalidParameter,
                          "Table " + table + ", field " + def.name + ": " + why);
    PxField f;
    f.def = def;
    f.def.decimals = 0;
    for (const TypeCode& c : kCodes)
        if (c.type == def.type)
            f.code = c.code;
    if (def.type == FieldType::Character || def.type == FieldType::Bytes) {
        f.width = def.length;
        f.sizeByte = static_cast<std::uint8_t>(def.length);
    } else if (isBlobType(def.type)) {
        // A memo needs a leader of at least one byte; 10 when none is given.
        int leader = def.length;
        if (leader == 0 && def.type == FieldType::Memo)
            leader = 10;
        f.def.length = leader;
        f.width = leader + kBlobReference;
        f.sizeByte = static_cast<std::uint8_t>(f.width);
    } else if (def.type == FieldType::Bcd) {
        f.def.length = 0;
        f.def.decimals = def.decimals;
        f.width = kBcdWidth;
        f.sizeByte = static_cast<std::uint8_t>(def.decimals);
    } else {
        f.def.length = 0;
        f.width = fixedWidth(def.type);
        f.sizeByte = static_cast<std::uint8_t>(f.width);
    }
    return f;
}

PxField fieldFromDescriptor(std::uint8_t code, std::uint8_t size, const std::string& name,
                            const std::string& file) {
    const TypeCode* tc = nullptr;
    for (const TypeCode& c : kCodes)
        if (c.code == code)
            tc = &c;
    auto corrupt = [&](const std::string& why) {
        return EngineError(code::FileCorrupt, "File " + file + ": field " + name + " " + why);
    };
    if (!tc) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", code);
        throw corrupt(std::string("has type code ") + hex + ", which is no Paradox field type");
    }
    // Sizes that leave the record's layout unknown; the others are found by descriptorFaults.
    auto badSize = [&](const std::string& what) {
        return corrupt("(" + std::string(tc->name) + ") has size " + std::to_string(size) + ", " +
                       what);
    };
    PxField f;
    f.def.name = name;
    f.def.type = tc->type;
    f.code = code;
    f.sizeByte = size;
    if (tc->type == FieldType::Bcd) {
        f.width = kBcdWidth;
        f.def.decimals = size;
    } else if (int fixed = fixedWidth(tc->type)) {
        if (size != fixed)
            throw badSize("not " + std::to_string(fixed));
        f.width = fixed;
    } else if (isBlobCode(code)) {
        if (size < kBlobReference)
            throw badSize("less than its " + std::to_string(kBlobReference) +
                          "-byte blob reference");
        f.width = size;
        f.def.length = size - kBlobReference;
    } else {
        if (size == 0)
            throw badSize("outside 1..255");
        f.width = size;
        f.def.length = size;
    }
    return f;
}

std::vector<std::string> descriptorFaults(const std::vector<PxField>& fields) {
    std::vector<std::string> faults;
    auto typeName = [](const PxField& f) {
        for (const TypeCode& c : kCodes)
            if (c.code == f.code)
                return c.name;
        return "?";
    };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const PxField& f = fields[i];
        std::string field = "field " + f.def.name + " (" + typeName(f) + ")";
        if (isBlobCode(f.code)) {
            int least = f.def.type == FieldType::Memo ? 1 : 0;
            if (f.leader() < least || f.leader() > kMaxLeader)
                faults.push_back(field + " has a leader of " + std::to_string(f.leader()) +
                                 " bytes, outside " + std::to_string(least) + ".." +
                                 std::to_string(kMaxLeader));
        } else if (f.def.type == FieldType::Bcd && f.def.decimals > kMaxBcdDecimals) {
            faults.push_back(field + " has " + std::to_string(f.def.decimals) +
                             " decimals, outside 0.." + std::to_string(kMaxBcdDecimals));
        }
        if (f.def.name.empty()) {
            faults.push_back("field " + std::to_string(i + 1) + " has no name");
            continue;
        }
        for (std::size_t j = 0; j < i; ++j)
            if (equalsIgnoreCase(fields[j].def.name, f.def.name)) {
                faults.push_back("fields " + std::to_string(j + 1) + " and " +
                                 std::to_string(i + 1) + " are both named " + f.def.name);
                break;
            }
    }
    return faults;
}

int layOut(std::vector<PxField>& fields) {
    int offset = 0;
    for (PxField& f : fields) {
        f.offset = offset;
        offset += f.width;
    }
    return offset;
}

bool isBlank(const char* bytes, int width) {
    for (int i = 0; i < width; ++i)
        if (bytes[i])
            return false;
    return true;
}

std::int64_t paradoxDay(Date date) {
    return date.julianDay() - kDayOfJulianZero;
}
Date dateFromParadoxDay(std::int64_t day) {
    return Date::fromJulianDay(day + kDayOfJulianZero);
}

void encodeValue(const PxField& f, const Value& value, const Codepage& page, char* out,
                 const std::string& table) {
    const Where context{table, f.def.name};
    std::memset(out, 0, static_cast<std::size_t>(f.width));
    if (value.isNull())
        return;
    switch (f.def.type) {
    case FieldType::Character: {
        if (!value.isText())
            badValue(context, "a text was expected");
        const std::string& text = value.text();
        if (isAscii(text) && text.size() <= static_cast<std::size_t>(f.width)) {
            std::memcpy(out, text.data(), text.size());
            return;
        }
        std::string bytes = page.fromUtf8(text, context.text());
        if (bytes.size() > static_cast<std::size_t>(f.width))
            badValue(context, "text of " + std::to_string(bytes.size()) +
                                  " characters does not fit in " + std::to_string(f.width));
        std::memcpy(out, bytes.data(), bytes.size());
        return;
    }
    case FieldType::Bytes: {
        const std::string& bytes = value.isBlob() ? value.blob().bytes
                                   : value.isText()
                                       ? value.text()
                                       : (badValue(context, "bytes were expected"), "");
        if (bytes.size() > static_cast<std::size_t>(f.width))
            badValue(context, std::to_string(bytes.size()) + " bytes do not fit in " +
                                  std::to_string(f.width));
        std::memcpy(out, bytes.data(), bytes.size());
        return;
    }
    case FieldType::Date:
        if (!value.isDate())
            badValue(context, "a date was expected");
        putSortableInt(out, 4, paradoxDay(value.date()), context);
        return;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
        putSortableInt(out, f.width, integerOf(value, context), context);
        return;
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Timestamp:
        putSortableDouble(out, numberOf(value, context), context);
        return;
    case FieldType::Logical:
        if (!value.isBool())
            badValue(context, "a logical was expected");
        out[0] = static_cast<char>(value.boolean() ? 0x81 : 0x80);
        return;
    case FieldType::Bcd:
        putBcd(out, decimalOf(value, context), f.def.decimals, context);
        return;
    default:
        badValue(context, "blob value outside the blob file");
    }
}

Value decodeValue(const PxField& f, const Codepage& page, const char* in) {
    if (isBlank(in, f.width))
        return {};
    switch (f.def.type) {
    case FieldType::Character:
        return Value(page.toUtf8(std::string_view(in, strnlen(in, f.width))));
    case FieldType::Bytes:
        return Value(Blob{std::string(in, static_cast<std::size_t>(f.width))});
    case FieldType::Date:
        return Value(dateFromParadoxDay(getSortableInt(in, 4)));
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Time:
        return Value(getSortableInt(in, f.width));
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Timestamp:
        return Value(getSortableDouble(in));
    case FieldType::Logical:
        return Value(static_cast<unsigned char>(in[0]) == 0x81);
    case FieldType::Bcd:
        return Value(getBcd(in, f.def.decimals));
    default:
        return {};
    }
}

CaseFold::CaseFold(const Codepage& page) {
    std::string utf8[256];
    for (int b = 0; b < 256; ++b)
        utf8[b] = page.toUtf8(std::string(1, static_cast<char>(b)));
    for (int b = 0; b < 256; ++b) {
        map_[b] = static_cast<unsigned char>(b);
        const std::string& s = utf8[b];
        char32_t c = static_cast<unsigned char>(s[0]);
        if (c >= 0x80) {
            int extra = c >= 0xE0 ? 2 : 1;
            c &= (0x3F >> extra);
            for (int i = 1; i <= extra; ++i)
                c = (c << 6) | (static_cast<unsigned char>(s[static_cast<std::size_t>(i)]) & 0x3F);
        }
        char32_t up = upperOf(c);
        if (b == 0 || up == c)
            continue;
        std::string want;
        if (up < 0x80)
            want = std::string(1, static_cast<char>(up));
        else if (up < 0x800)
            want = {static_cast<char>(0xC0 | (up >> 6)), static_cast<char>(0x80 | (up & 0x3F))};
        else
            want = {static_cast<char>(0xE0 | (up >> 12)),
                    static_cast<char>(0x80 | ((up >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (up & 0x3F))};
        // The upper-case letter in the same page, when the page has it.
        for (int t = 1; t < 256; ++t)
            if (utf8[t] == want) {
                map_[b] = static_cast<unsigned char>(t);
                break;
            }
    }
}

void CaseFold::apply(char* bytes, std::size_t size) const {
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(map_[static_cast<unsigned char>(bytes[i])]);
}

} // namespace engine::paradox
