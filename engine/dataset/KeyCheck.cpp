#include "engine/dataset/KeyCheck.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dataset/FieldPairing.h"
#include "engine/expr/Expression.h"
#include "engine/values/NumberText.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>

namespace engine {

namespace {

std::string valueText(const Value& value) {
    if (value.isNull())
        return {};
    if (value.isText())
        return trimRight(value.text()); // keys are padded to their width
    if (value.isDecimal())
        return formatDecimal(value.decimal(), -1);
    if (value.isNumber())
        return formatNumber(value.number(), -1);
    if (value.isInteger())
        return std::to_string(value.integer());
    if (value.isDate())
        return value.date().toIso();
    if (value.isBool())
        return value.boolean() ? "T" : "F";
    return value.blob().bytes;
}

std::string fieldsText(const Record& row, const std::vector<int>& fields) {
    std::string text;
    for (int f : fields) {
        if (!text.empty())
            text += "; ";
        text += valueText(row[f]);
    }
    return text;
}

// One key to check: what it is called, how a row's key reads, and whether a
// key is in the destination already.
struct KeyRule {
    std::string index;
    // Equal keys give equal texts; nothing for a row the index leaves out.
    std::function<std::optional<std::string>(const Record&)> encode;
    std::function<std::string(const Record&)> show;
    std::function<bool(const std::string&)> inTable;
    std::unordered_set<std::string> seen = {};
};

// The first clash of a row in the destination's layout, its key taken otherwise.
std::optional<KeyClash> take(std::vector<KeyRule>& rules, const Record& row, std::uint64_t number) {
    for (KeyRule& rule : rules) {
        std::optional<std::string> key = rule.encode(row);
        if (!key)
            continue;
        // Given twice is told first: the rows given may be in the table already.
        if (rule.seen.count(*key))
            return KeyClash{rule.index, rule.show(row), number, false};
        if (rule.inTable && rule.inTable(*key))
            return KeyClash{rule.index, rule.show(row), number, true};
        rule.seen.insert(std::move(*key));
    }
    return std::nullopt;
}

KeyClashes scan(TableFile& source, const FieldList& to, std::vector<KeyRule>& rules,
                std::size_t keep) {
    KeyClashes found;
    if (rules.empty())
        return found;
    FieldPairing pairing(source.fields(), to);
    Record row;
    std::uint64_t number = 0;
    auto cursor = source.openIndex("");
    for (bool on = cursor->first(); on; on = cursor->next()) {
        if (source.isDeleted(cursor->row()))
            continue;
        pairing.convert(source.read(cursor->row()), row, nullptr);
        if (auto clash = take(rules, row, ++number); clash && found.count++ < keep)
            found.first.push_back(std::move(*clash));
    }
    return found;
}

std::vector<KeyRule> primaryKeyRules(TableFile& destination) {
    std::vector<KeyRule> rules;
    for (const IndexInfo& info : destination.indexes()) {
        if (!info.def.primary)
            continue;
        std::string name = info.def.name;
        std::shared_ptr<IndexCursor> cursor = destination.openIndex(name);
        std::vector<int> keyFields = info.keyFields;
        rules.push_back(
            {name,
             [&destination, name](const Record& row) { return destination.indexKey(name, row); },
             [keyFields](const Record& row) { return fieldsText(row, keyFields); },
             [&destination, name, cursor](const std::string& key) {
                 return cursor->seek(key) && destination.compareKeys(name, cursor->key(), key) == 0;
             }});
    }
    return rules;
}

std::vector<int> keyFieldsOf(const std::string& expression, const FieldList& fields) {
    std::vector<int> out;
    for (std::size_t start = 0; start <= expression.size();) {
        std::size_t end = std::min(expression.find(';', start), expression.size());
        std::string name = trim(expression.substr(start, end - start));
        start = end + 1;
        int f = findField(fields, name);
        if (f < 0)
            throw EngineError(code::BadExpression,
                              "Key \"" + expression + "\" names no field \"" + name + "\"");
        out.push_back(f);
    }
    return out;
}

} // namespace

KeyClashes findKeyClashes(TableFile& source, TableKind kind, const FieldList& fields,
                          const std::vector<IndexDef>& keys, std::size_t keep) {
    std::vector<KeyRule> rules;
    for (const IndexDef& def : keys) {
        if (!def.unique && !def.primary)
            continue;
        if (kind == TableKind::Paradox) {
            std::vector<int> keyFields = keyFieldsOf(def.expression, fields);
            auto text = [keyFields](const Record& row) { return fieldsText(row, keyFields); };
            rules.push_back({def.name, text, text, nullptr});
            continue;
        }
        auto expression =
            std::make_shared<expr::Expression>(expr::Expression::parse(def.expression, fields));
        auto forCondition = def.forCondition.empty()
                                ? nullptr
                                : std::make_shared<expr::Expression>(
                                      expr::Expression::parse(def.forCondition, fields));
        auto key = [expression, forCondition](const Record& row) -> std::optional<std::string> {
            expr::RecordContext context{&row, NoRow, false};
            if (forCondition && !forCondition->evaluateCondition(context))
                return std::nullopt;
            return valueText(expression->evaluate(context));
        };
        auto text = [expression](const Record& row) {
            return valueText(expression->evaluate(expr::RecordContext{&row, NoRow, false}));
        };
        rules.push_back({def.name, key, text, nullptr});
    }
    return scan(source, fields, rules, keep);
}

KeyClashes findKeyClashes(TableFile& source, TableFile& destination, std::size_t keep) {
    std::vector<KeyRule> rules = primaryKeyRules(destination);
    return scan(source, destination.fields(), rules, keep);
}

struct PrimaryKeyCheck::Rules {
    std::vector<KeyRule> list;
};

PrimaryKeyCheck::PrimaryKeyCheck(TableFile& destination)
    : rules_(std::make_unique<Rules>(Rules{primaryKeyRules(destination)})) {}

PrimaryKeyCheck::~PrimaryKeyCheck() = default;

bool PrimaryKeyCheck::active() const {
    return !rules_->list.empty();
}

std::optional<KeyClash> PrimaryKeyCheck::take(const Record& row, std::uint64_t number) {
    return engine::take(rules_->list, row, number);
}

} // namespace engine
