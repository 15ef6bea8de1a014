#include "engine/paradox/Table.h"

#include "engine/base/Bytes.h"
#include "engine/base/EngineError.h"
#include "engine/paradox/IndexTree.h"
#include "engine/paradox/RunSorter.h"

#include <algorithm>

namespace engine::paradox {

namespace fs = std::filesystem;

std::vector<std::string> Table::check() {
    std::vector<std::string> faults = warnings();
    std::string name = path_.filename().string();
    auto add = [&](std::vector<std::string> more) {
        faults.insert(faults.end(), more.begin(), more.end());
    };
    for (const std::string& fault : descriptorFaults(header_.fields))
        faults.push_back(name + ": " + fault);
    try {
        add(db_->check(name));
        if (keyed())
            add(checkIndexTree(pxPath_, *db_, pxPath_.filename().string()));
        add(checkBlobReferences(name));
    } catch (const EngineError& e) {
        faults.push_back(name + ": " + e.what());
    }
    for (auto& index : secondaries_)
        add(checkSecondary(*index));
    return faults;
}

std::vector<std::string> Table::checkBlobReferences(const std::string& name) {
    std::vector<std::string> faults;
    for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c) {
        const auto& block = db_->chain()[static_cast<std::size_t>(c)];
        for (int s = 0; s < block.count; ++s) {
            const char* rec = db_->recordAt(c, s);
            for (const PxField& f : header_.fields) {
                if (!isBlobCode(f.code))
                    continue;
                std::uint32_t locator = getU32(rec + f.offset + f.leader());
                std::uint32_t length = getU32(rec + f.offset + f.leader() + 4);
                if (locator == 0 && length <= static_cast<std::uint32_t>(f.leader()))
                    continue;
                std::string fault =
                    mb_ ? mb_->verify(locator, length) : "needs the missing blob file";
                if (!fault.empty())
                    faults.push_back(name + ": block " + std::to_string(block.number) + " slot " +
                                     std::to_string(s) + ", field " + f.def.name + ": the blob " +
                                     fault);
            }
        }
    }
    return faults;
}

std::vector<std::string> Table::checkSecondary(SecondaryIndex& index) {
    std::string label = index.xPath().filename().string();
    std::vector<std::string> own = index.check(label);
    if (!own.empty())
        return own;
    // Every row once, in (key, primary key) order: the rows' entries sorted
    // in bounded memory, walked beside the X file's.
    try {
        BlockFile& x = index.file(false);
        auto keyLength = static_cast<std::size_t>(index.keyLength());
        RunSorter expected(keyLength, keyLength, path_.parent_path());
        for (int c = 0; c < static_cast<int>(db_->chain().size()); ++c) {
            std::uint16_t block = db_->chain()[static_cast<std::size_t>(c)].number;
            for (int s = 0; s < db_->chain()[static_cast<std::size_t>(c)].count; ++s)
                expected.add(x.sortKey(index.entryOf(db_->recordAt(c, s), block).data()).data());
        }
        std::uint64_t i = 0;
        int c = 0, s = 0;
        bool matches = true;
        expected.forEach([&](const char* key) {
            while (c < static_cast<int>(x.chain().size()) &&
                   s == x.chain()[static_cast<std::size_t>(c)].count)
                ++c, s = 0;
            if (!matches || c == static_cast<int>(x.chain().size()))
                return;
            if (x.sortKey(x.recordAt(c, s)) != std::string_view(key, keyLength))
                matches = false;
            else
                ++i, ++s;
        });
        std::uint64_t entries = x.recordCount();
        if (matches && entries > expected.size())
            matches = false; // the first entry past the rows'
        if (!matches)
            return {label + ": entry " + std::to_string(i) + " does not match the table's rows"};
        if (entries != expected.size())
            own.push_back(label + ": " + std::to_string(entries) + " entries for " +
                          std::to_string(expected.size()) + " rows");
    } catch (const EngineError& e) {
        own.push_back(label + ": " + e.what());
    }
    return own;
}

} // namespace engine::paradox
