#include "engine/dbase/MdxTag.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dbase/MdxFormat.h"
#include "engine/dbase/MdxKeys.h"

#include <algorithm>
#include <cctype>

namespace engine::dbase {

namespace {
using expr::ResultType;

char keyTypeOf(const expr::Expression& e) {
    switch (e.type()) {
    case ResultType::Character:
        return 'C';
    case ResultType::Numeric:
        return 'N';
    case ResultType::Date:
        return 'D';
    case ResultType::Logical:
        break;
    }
    throw EngineError(code::BadExpression,
                      "Expression \"" + e.text() + "\": a logical value cannot be an index key");
}

int keyLengthOf(const expr::Expression& e, char type) {
    if (type == 'N')
        return mdx::NumericKeyLength;
    if (type == 'D')
        return mdx::DateKeyLength;
    if (e.width() < 1)
        throw EngineError(code::BadExpression,
                          "Expression \"" + e.text() + "\": an empty text cannot be an index key");
    if (e.width() > mdx::MaxKeyLength)
        throw EngineError(code::BadExpression, "Expression \"" + e.text() + "\": its key is " +
                                                   std::to_string(e.width()) +
                                                   " bytes wide, an index key at most " +
                                                   std::to_string(mdx::MaxKeyLength));
    return e.width();
}

expr::Expression parseFilter(const std::string& text, const FieldList& fields) {
    expr::Expression e = expr::Expression::parse(text, fields);
    if (e.type() != ResultType::Logical)
        throw EngineError(code::BadExpression,
                          "Expression \"" + text + "\": a FOR condition must be logical");
    return e;
}

void requireTagName(const std::string& name) {
    bool ok =
        !name.empty() && name.size() <= 10 && std::isalpha(static_cast<unsigned char>(name[0])) &&
        std::all_of(name.begin(), name.end(),
                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (!ok)
        throw EngineError(code::InvalidName,
                          "Tag name \"" + name +
                              "\": 1 to 10 letters, digits or underscores, starting with a letter");
}
} // namespace

MdxTag::MdxTag(std::shared_ptr<MdxFile> file, MdxTagHeader header, const FieldList& fields,
               const Codepage& codepage)
    : file_(std::move(file)), header_(std::move(header)), key_([&] {
          try {
              expr::Expression e = expr::Expression::parse(header_.expression, fields);
              if (keyTypeOf(e) != header_.keyType)
                  throw EngineError(code::BadExpression,
                                    "Expression \"" + e.text() + "\" is of type " + keyTypeOf(e) +
                                        ", the tag holds " + header_.keyType + " keys");
              return e;
          } catch (const EngineError& e) {
              throw EngineError(code::IndexCorrupt,
                                file_->describe() + ", tag " + header_.name + ": " + e.what());
          }
      }()),
      codepage_(codepage), bareField_(key_.isBareField() ? key_.fieldsUsed().front() : -1),
      tree_(*file_, header_) {
    if (header_.forCondition.empty())
        return;
    try {
        filter_ = parseFilter(header_.forCondition, fields);
    } catch (const EngineError& e) {
        throw EngineError(code::IndexCorrupt, where() + ": " + e.what());
    }
}

MdxTagHeader MdxTag::declare(const IndexDef& def, const FieldList& fields,
                             std::uint32_t blockSize) {
    MdxTagHeader h;
    h.name = toUpperAscii(def.name);
    requireTagName(h.name);
    for (const std::string* text : {&def.expression, &def.forCondition})
        if (text->size() > static_cast<std::size_t>(mdx::MaxTextLength))
            throw EngineError(code::BadExpression, "Expression \"" + *text + "\" of tag " + h.name +
                                                       " is longer than 219 characters");
    expr::Expression key = expr::Expression::parse(def.expression, fields);
    if (!def.forCondition.empty())
        parseFilter(def.forCondition, fields);
    h.keyType = keyTypeOf(key);
    h.keyLength = keyLengthOf(key, h.keyType);
    h.itemLength = (h.keyLength + 4 + 3) & ~3;
    h.maxKeys = (static_cast<int>(blockSize) - 12) / h.itemLength;
    h.expression = def.expression;
    h.forCondition = def.forCondition;
    h.unique = def.unique;
    h.descending = def.descending;
    h.bareField = key.isBareField();
    return h;
}

IndexInfo MdxTag::info() const {
    IndexInfo info;
    info.def.name = header_.name;
    info.def.expression = header_.expression;
    info.def.forCondition = header_.forCondition;
    info.def.unique = header_.unique;
    info.def.descending = header_.descending;
    info.keyFields = key_.fieldsUsed();
    return info;
}

bool MdxTag::isBareField(int field) const {
    return !filter_ && bareField_ >= 0 && bareField_ == field;
}

std::vector<int> MdxTag::fieldsUsed() const {
    std::vector<int> used = key_.fieldsUsed();
    if (filter_)
        used.insert(used.end(), filter_->fieldsUsed().begin(), filter_->fieldsUsed().end());
    return used;
}

std::string MdxTag::where() const {
    return file_->describe() + ", tag " + header_.name;
}

bool MdxTag::passes(const expr::RecordContext& context) const {
    return !filter_ || filter_->evaluateCondition(context);
}

std::string MdxTag::keyOf(const expr::RecordContext& context) const {
    std::string key;
    appendKey(context, key);
    return key;
}

void MdxTag::appendKey(const expr::RecordContext& context, std::string& out) const {
    const auto length = static_cast<std::size_t>(header_.keyLength);
    const Value* stored = nullptr;
    if (bareField_ >= 0 && context.record &&
        static_cast<std::size_t>(bareField_) < context.record->size())
        stored = &(*context.record)[static_cast<std::size_t>(bareField_)];
    if (stored && header_.keyType == 'C' &&
        (stored->isNull() || (stored->isText() && isAscii(stored->text())))) {
        // The usual tag, one character field in ASCII: its text is the key
        // as it stands, without evaluating the expression or converting.
        std::string_view text = stored->isText() ? std::string_view(stored->text()) : "";
        text = text.substr(0, length);
        out.append(text);
        out.append(length - text.size(), ' ');
        return;
    }
    if (stored && header_.keyType == 'N' && stored->isDecimal()) {
        // A field's stored decimal keys with every digit, past a double's 17.
        out += mdx::encodeNumber(stored->decimal());
        return;
    }
    Value v = key_.evaluate(context);
    if (header_.keyType == 'N') {
        out += mdx::encodeNumber(v.isNull() ? 0 : v.asDouble());
    } else if (header_.keyType == 'D') {
        out += mdx::encodeDate(v.isDate() ? v.date().julianDay() : 0);
    } else {
        std::size_t start = out.size();
        if (v.isText() && isAscii(v.text()))
            out += v.text();
        else if (v.isText())
            out += codepage_.fromUtf8(v.text(), where());
        out.resize(start + length, ' ');
    }
}

void MdxTag::changed() {
    ++version_;
    header_.serial = static_cast<std::uint8_t>(header_.serial == 255 ? 1 : header_.serial + 1);
    file_->writeSerial(header_);
}

} // namespace engine::dbase
