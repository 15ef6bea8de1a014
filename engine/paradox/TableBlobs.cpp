#include "engine/paradox/Table.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/files/FileNames.h"

#include <algorithm>
#include <cstring>

namespace engine::paradox {

namespace fs = std::filesystem;

BlobFile& Table::blobs() {
    if (!mb_)
        mb_ = BlobFile::create(companionFile(path_, ".MB"));
    return *mb_;
}

std::string Table::blobBytes(const PxField& f, const Value& v) const {
    std::string context = label_ + ", field " + f.def.name;
    if (f.def.type == FieldType::Graphic)
        throw EngineError(code::NotSupported, context + ": graphic values are read, not written");
    if (f.def.type == FieldType::Memo || f.def.type == FieldType::FormattedMemo) {
        if (!v.isText())
            throw EngineError(code::BadValue, context + ": a text was expected");
        return page_->fromUtf8(v.text(), context);
    }
    if (v.isBlob())
        return v.blob().bytes;
    if (v.isText())
        return v.text();
    throw EngineError(code::BadValue, context + ": bytes were expected");
}

void Table::storeBlobs(const Record& record, std::string& bytes, const std::string* old) {
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const PxField& f = header_.fields[i];
        if (!isBlobCode(f.code) || i >= record.size() || record[i].isNull())
            continue;
        const Value& v = record[i];
        if (old && readBlob(f, old->data() + f.offset) == v) {
            std::memcpy(bytes.data() + f.offset, old->data() + f.offset,
                        static_cast<std::size_t>(f.width));
            continue;
        }
        std::string data = blobBytes(f, v);
        if (data.empty())
            continue;
        char* at = bytes.data() + f.offset;
        int leader = f.leader();
        std::memcpy(at, data.data(),
                    std::min<std::size_t>(data.size(), static_cast<std::size_t>(leader)));
        putU32(at + leader + 4, static_cast<std::uint32_t>(data.size()));
        if (data.size() > static_cast<std::size_t>(leader)) {
            BlobRef ref = blobs().write(data);
            putU32(at + leader, ref.locator);
            putU16(at + leader + 8, ref.modification);
        }
    }
}

Value Table::readBlob(const PxField& f, const char* at) {
    int leader = f.leader();
    std::uint32_t locator = getU32(at + leader);
    std::uint32_t length = getU32(at + leader + 4);
    if (length == 0)
        return {};
    std::string data;
    if (locator == 0 && length <= static_cast<std::uint32_t>(leader)) {
        data.assign(at, length);
    } else {
        if (!mb_)
            throw EngineError(code::FileNotFound,
                              label_ + ": field " + f.def.name + " needs the blob file " +
                                  companionFile(path_, ".MB").string() + ", which is missing");
        data = mb_->read(locator, length);
    }
    if (f.def.type == FieldType::Graphic)
        data.erase(
            0, std::min<std::size_t>(8, data.size())); // the graphic header in front of the image
    if (f.def.type == FieldType::Memo || f.def.type == FieldType::FormattedMemo)
        return Value(page_->toUtf8(data));
    return Value(Blob{std::move(data)});
}

void Table::releaseBlobs(const char* bytes) {
    for (const PxField& f : header_.fields) {
        if (!isBlobCode(f.code) || !mb_)
            continue;
        std::uint32_t locator = getU32(bytes + f.offset + f.leader());
        if (locator != 0)
            mb_->release(locator);
    }
}

} // namespace engine::paradox
