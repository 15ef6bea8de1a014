#include "engine/dataset/Filter.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/values/NumberText.h"

#include <cctype>

namespace engine {

struct Filter::Node {
    enum Kind { And, Or, Not, Compare } kind;
    std::string op; // for Compare: = <> < > <= >=
    int field = -1; // left side of a comparison
    Value literal;  // right side of a comparison
    std::unique_ptr<Node> left, right;
};

namespace {

using Node = Filter::Node;

class Parser {
public:
    Parser(const std::string& text, const FieldList& fields) : text_(text), fields_(fields) {}

    std::unique_ptr<Node> parse() {
        auto node = parseOr();
        skipBlanks();
        if (pos_ != text_.size())
            fail("unexpected text at \"" + text_.substr(pos_) + "\"");
        return node;
    }

private:
    [[noreturn]] void fail(const std::string& why) const {
        throw EngineError(code::BadExpression, "Filter \"" + text_ + "\": " + why);
    }

    void skipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
    }

    bool keyword(const char* word) {
        skipBlanks();
        std::size_t n = std::char_traits<char>::length(word);
        if (pos_ + n > text_.size() || !equalsIgnoreCase(text_.substr(pos_, n), word))
            return false;
        if (pos_ + n < text_.size()) {
            char next = text_[pos_ + n];
            if (std::isalnum(static_cast<unsigned char>(next)) || next == '_')
                return false;
        }
        pos_ += n;
        return true;
    }

    std::unique_ptr<Node> binary(Node::Kind kind, std::unique_ptr<Node> l,
                                 std::unique_ptr<Node> r) {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->left = std::move(l);
        node->right = std::move(r);
        return node;
    }

    // Deeper nesting (NOT, parentheses, each operator of a chain) could
    // exhaust the stack while the filter is evaluated.
    static constexpr int kMaxDepth = 200;

    void deeper() {
        if (++depth_ > kMaxDepth)
            fail("it nests deeper than " + std::to_string(kMaxDepth) + " levels");
    }

    std::unique_ptr<Node> parseOr() {
        auto left = parseAnd();
        int links = 0;
        for (; keyword("OR"); ++links) {
            deeper();
            left = binary(Node::Or, std::move(left), parseAnd());
        }
        depth_ -= links;
        return left;
    }

    std::unique_ptr<Node> parseAnd() {
        auto left = parseNot();
        int links = 0;
        for (; keyword("AND"); ++links) {
            deeper();
            left = binary(Node::And, std::move(left), parseNot());
        }
        depth_ -= links;
        return left;
    }

    std::unique_ptr<Node> parseNot() {
        if (keyword("NOT")) {
            deeper();
            auto node = std::make_unique<Node>();
            node->kind = Node::Not;
            node->left = parseNot();
            --depth_;
            return node;
        }
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '(') {
            deeper();
            ++pos_;
            auto inner = parseOr();
            skipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != ')')
                fail("missing \")\"");
            ++pos_;
            --depth_;
            return inner;
        }
        return parseComparison();
    }

    std::unique_ptr<Node> parseComparison() {
        auto node = std::make_unique<Node>();
        node->kind = Node::Compare;
        node->field = parseField();
        skipBlanks();
        static const char* ops[] = {"<>", "<=", ">=", "=", "<", ">"};
        for (const char* op : ops) {
            std::size_t n = std::char_traits<char>::length(op);
            if (text_.compare(pos_, n, op) == 0) {
                node->op = op;
                pos_ += n;
                break;
            }
        }
        if (node->op.empty())
            fail("comparison operator expected");
        node->literal = parseLiteral(fields_[node->field]);
        return node;
    }

    int parseField() {
        skipBlanks();
        std::string name;
        if (pos_ < text_.size() && text_[pos_] == '[') {
            std::size_t end = text_.find(']', pos_);
            if (end == std::string::npos)
                fail("missing \"]\"");
            name = text_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
        } else {
            std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                ++pos_;
            name = text_.substr(start, pos_ - start);
        }
        if (name.empty())
            fail("field name expected");
        int field = findField(fields_, name);
        if (field < 0)
            fail("unknown field " + name);
        return field;
    }

    Value parseLiteral(const FieldDef& field) {
        skipBlanks();
        if (pos_ >= text_.size())
            fail("value expected");
        std::string raw;
        char quote = text_[pos_];
        if (quote == '\'' || quote == '"') {
            std::size_t end = text_.find(quote, pos_ + 1);
            if (end == std::string::npos)
                fail("unterminated text");
            raw = text_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
        } else {
            std::size_t start = pos_;
            while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
                   text_[pos_] != ')')
                ++pos_;
            raw = text_.substr(start, pos_ - start);
        }
        return literalFor(field, raw);
    }

    Value literalFor(const FieldDef& field, const std::string& raw) {
        if (raw.empty())
            return Value();
        switch (field.type) {
        case FieldType::Date: {
            if (auto d = Date::fromDmy(raw))
                return Value(*d);
            if (auto d = Date::fromIso(raw))
                return Value(*d);
            fail("\"" + raw + "\" is not a date");
        }
        case FieldType::Logical: {
            std::string up = toUpperAscii(raw);
            return Value(up == "T" || up == "TRUE" || up == "Y");
        }
        case FieldType::Numeric:
        case FieldType::Float:
        case FieldType::Double:
        case FieldType::Currency:
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Bcd: {
            if (field.type == FieldType::Numeric || field.type == FieldType::Float) {
                if (auto exact = parseDecimal(raw))
                    return Value(std::move(*exact)); // compared digit by digit
            }
            auto number = parseNumber(raw);
            if (!number)
                fail("\"" + raw + "\" is not a number");
            return Value(*number);
        }
        default:
            return Value(trimRight(raw));
        }
    }

    const std::string& text_;
    const FieldList& fields_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

// Three-way comparison; blanks sort first.
int compareValues(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return (a.isNull() ? 0 : 1) - (b.isNull() ? 0 : 1);
    if (a.isDecimal() && b.isDecimal())
        return compareDecimals(a.decimal(), b.decimal());
    if ((a.isNumber() || a.isInteger()) && (b.isNumber() || b.isInteger())) {
        double x = a.asDouble(), y = b.asDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.isDate() && b.isDate())
        return a.date() < b.date() ? -1 : a.date() > b.date() ? 1 : 0;
    if (a.isBool() && b.isBool())
        return static_cast<int>(a.boolean()) - static_cast<int>(b.boolean());
    if (a.isText() && b.isText()) {
        int c = trimRight(a.text()).compare(trimRight(b.text()));
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return 0;
}

bool evaluate(const Node& node, const Record& record) {
    switch (node.kind) {
    case Node::And:
        return evaluate(*node.left, record) && evaluate(*node.right, record);
    case Node::Or:
        return evaluate(*node.left, record) || evaluate(*node.right, record);
    case Node::Not:
        return !evaluate(*node.left, record);
    case Node::Compare:
        break;
    }
    int c = compareValues(record[node.field], node.literal);
    const std::string& op = node.op;
    if (op == "=")
        return c == 0;
    if (op == "<>")
        return c != 0;
    if (op == "<")
        return c < 0;
    if (op == ">")
        return c > 0;
    if (op == "<=")
        return c <= 0;
    return c >= 0;
}

} // namespace

Filter::Filter(const std::string& text, const FieldList& fields)
    : root_(Parser(text, fields).parse()) {}
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

bool Filter::accepts(const Record& record) const {
    return evaluate(*root_, record);
}

} // namespace engine
