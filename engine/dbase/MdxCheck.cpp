#include "engine/dbase/MdxCheck.h"

#include "engine/base/EngineError.h"
#include "engine/dbase/MdxKeys.h"
#include "engine/dbase/MdxNode.h"
#include "engine/values/Date.h"
#include "engine/values/NumberText.h"

#include <cstdio>
#include <unordered_set>

namespace engine::dbase {

namespace {
constexpr std::size_t MaxDepth = 40;

class TagChecker {
public:
    TagChecker(MdxTag& tag, const MdxExpected& expected, std::size_t limit)
        : tag_(tag), h_(tag.header()), file_(tag.file()), expected_(expected), limit_(limit),
          seen_(expected.records, 0) {}

    std::vector<std::string> run() {
        walk(h_.root, 0);
        if (!broken_) {
            if (h_.firstLeaf != firstLeaf_ || h_.lastLeaf != lastLeaf_)
                fault("the tag header names leaves " + std::to_string(h_.firstLeaf) + " and " +
                      std::to_string(h_.lastLeaf) + " as first and last, the tree has " +
                      std::to_string(firstLeaf_) + " and " + std::to_string(lastLeaf_));
            compareWithTable();
        }
        if (faults_ > limit_)
            lines_.push_back(tag_.where() + ": " + std::to_string(faults_ - limit_) +
                             " more faults");
        return lines_;
    }

private:
    void fault(const std::string& what) {
        if (++faults_ <= limit_)
            lines_.push_back(tag_.where() + ": " + what);
    }

    std::string show(std::string_view key) const {
        if (h_.keyType == 'N')
            return formatNumber(mdx::decodeNumber(key), -1);
        if (h_.keyType == 'D') {
            double jd = mdx::decodeDate(key);
            if (jd > 1e9)
                return "blank date";
            if (!(jd >= Date::MinJulianDay && jd <= Date::MaxJulianDay))
                return "no date (day " + formatNumber(jd, -1) + ")";
            return Date::fromJulianDay(static_cast<std::int64_t>(jd)).toIso();
        }
        return "\"" + std::string(key) + "\"";
    }

    // Returns the highest key below `page` (empty when none).
    std::string walk(std::uint32_t page, std::size_t depth) {
        if (depth >= MaxDepth || !visited_.insert(page).second) {
            fault("node page " + std::to_string(page) + " is reached twice (the tree loops)");
            broken_ = true;
            return {};
        }
        std::string block;
        try {
            file_.readBlock(page, block);
        } catch (const EngineError&) {
            fault("node page " + std::to_string(page) + " lies outside the file");
            broken_ = true;
            return {};
        }
        std::uint32_t n = getU32(block.data());
        if (static_cast<int>(n) > tag_.tree().capacity() ||
            8 + static_cast<std::uint64_t>(n) * h_.itemLength + 4 > block.size()) {
            fault("node page " + std::to_string(page) + " claims " + std::to_string(n) +
                  " keys, at most " + std::to_string(tag_.tree().capacity()) + " fit");
            broken_ = true;
            return {};
        }
        MdxNode node(block, h_.itemLength, h_.keyLength);
        if (node.isLeaf())
            return leaf(page, node, depth);
        std::string highest;
        for (std::uint32_t i = 0; i <= n && !broken_; ++i) {
            highest = walk(node.pointer(i), depth + 1);
            if (i < n && !broken_ && tag_.tree().compare(node.key(i), highest) != 0)
                fault("interior page " + std::to_string(page) + " entry " + std::to_string(i) +
                      " holds " + show(node.key(i)) + ", its child's highest key is " +
                      show(highest));
        }
        return highest;
    }

    std::string leaf(std::uint32_t page, MdxNode& node, std::size_t depth) {
        if (leafDepth_ < 0)
            leafDepth_ = static_cast<int>(depth);
        else if (leafDepth_ != static_cast<int>(depth))
            fault("leaf page " + std::to_string(page) + " is at depth " + std::to_string(depth) +
                  ", other leaves at " + std::to_string(leafDepth_));
        if (firstLeaf_ == 0)
            firstLeaf_ = page;
        lastLeaf_ = page;
        std::uint32_t n = node.count();
        if (n == 0 && page != h_.root)
            fault("leaf page " + std::to_string(page) + " is empty");
        for (std::uint32_t i = 0; i < n; ++i)
            entry(node.key(i), node.pointer(i));
        return n == 0 ? std::string() : std::string(node.key(n - 1));
    }

    void entry(std::string_view key, std::uint32_t recno) {
        if (havePrevious_) {
            int order = tag_.tree().compare(previous_, key);
            if (order > 0 || (order == 0 && previousRecno_ >= recno))
                fault("entry " + show(key) + " for record " + std::to_string(recno) +
                      " is out of order after " + show(previous_) + " for record " +
                      std::to_string(previousRecno_));
            else if (order == 0 && h_.unique)
                fault("key " + show(key) + " has entries for records " +
                      std::to_string(previousRecno_) + " and " + std::to_string(recno) +
                      " in a unique tag");
        }
        previous_.assign(key);
        previousRecno_ = recno;
        havePrevious_ = true;
        if (recno == 0 || recno > expected_.records) {
            fault("entry " + show(key) + " points to record " + std::to_string(recno) +
                  ", which does not exist");
            return;
        }
        if (++seen_[recno - 1] > 1)
            return;
        if (!expected_.passes[recno - 1]) {
            fault("record " + std::to_string(recno) +
                  " has an entry although its FOR condition excludes it");
            return;
        }
        std::string_view want = expectedKey(recno);
        if (tag_.tree().compare(key, want) != 0)
            fault("record " + std::to_string(recno) + " is filed under " + show(key) +
                  ", its key is " + show(want));
    }

    std::string_view expectedKey(std::uint32_t recno) const {
        auto len = static_cast<std::size_t>(h_.keyLength);
        return std::string_view(expected_.keys).substr((recno - 1) * len, len);
    }

    void compareWithTable() {
        for (std::uint32_t r = 1; r <= expected_.records; ++r) {
            std::uint32_t count = seen_[r - 1];
            if (count > 1)
                fault("record " + std::to_string(r) + " has " + std::to_string(count) + " entries");
            // UNIQUE: a key whose owner left stays away until the tag is
            // rebuilt, so a record without an entry is no fault there.
            if (count > 0 || !expected_.passes[r - 1] || h_.unique)
                continue;
            fault("record " + std::to_string(r) + " has no entry (key " + show(expectedKey(r)) +
                  ")");
        }
    }

    MdxTag& tag_;
    const MdxTagHeader& h_;
    MdxFile& file_;
    const MdxExpected& expected_;
    std::size_t limit_;
    std::vector<std::uint32_t> seen_;
    std::unordered_set<std::uint32_t> visited_;
    std::vector<std::string> lines_;
    std::size_t faults_ = 0;
    bool broken_ = false;
    int leafDepth_ = -1;
    std::uint32_t firstLeaf_ = 0, lastLeaf_ = 0;
    std::string previous_;
    std::uint32_t previousRecno_ = 0;
    bool havePrevious_ = false;
};
} // namespace

std::vector<std::string> checkTag(MdxTag& tag, const MdxExpected& expected, std::size_t limit) {
    return TagChecker(tag, expected, limit).run();
}

} // namespace engine::dbase
