#include "engine/expr/Parser.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/expr/XbaseText.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace engine::expr {

namespace {

enum class Tok { End, Ident, Number, String, Logical, Op, Word };

struct Token {
    Tok kind = Tok::End;
    std::string text; // identifier, operator or dot word (upper case), string contents
    double number = 0;
    std::size_t pos = 0;
};

bool isIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Deepest nesting of operators, parentheses and calls: evaluating a
// deeper tree could exhaust the stack.
constexpr int kMaxDepth = 200;

class Parser {
public:
    Parser(const std::string& text, const FieldList& fields) : text_(text), fields_(fields) {
        advance();
    }

    ParseResult run() {
        ParseResult result;
        if (current_.kind == Tok::End)
            fail("it is empty");
        result.root = parseOr();
        if (current_.kind != Tok::End)
            fail("unexpected " + describe(current_), current_.pos);
        result.fieldsUsed = std::move(fieldsUsed_);
        return result;
    }

private:
    [[noreturn]] void fail(const std::string& what, std::size_t pos = std::string::npos) const {
        std::string where =
            pos == std::string::npos ? "" : " at position " + std::to_string(pos + 1);
        throw EngineError(code::BadExpression, "Expression \"" + text_ + "\": " + what + where);
    }

    // One level deeper in the tree while it lives: a parenthesis, a call, a
    // prefix operator or one more operator of a chain.
    class Level {
    public:
        explicit Level(Parser& parser) : parser_(parser) { parser_.deeper(); }
        ~Level() { --parser_.depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        Parser& parser_;
    };

    // The operators of a left-nested chain, each a level deeper, until it ends.
    class Chain {
    public:
        explicit Chain(Parser& parser) : parser_(parser) {}
        ~Chain() { parser_.depth_ -= links_; }
        Chain(const Chain&) = delete;
        Chain& operator=(const Chain&) = delete;
        void link() {
            parser_.deeper();
            ++links_;
        }

    private:
        Parser& parser_;
        int links_ = 0;
    };

    void deeper() {
        if (++depth_ > kMaxDepth)
            fail("it nests deeper than " + std::to_string(kMaxDepth) + " levels", current_.pos);
    }

    std::string describe(const Token& t) const {
        switch (t.kind) {
        case Tok::End:
            return "end of expression";
        case Tok::String:
            return "string \"" + t.text + "\"";
        case Tok::Number:
        case Tok::Ident:
            return "'" + text_.substr(t.pos, pos_ - t.pos) + "'";
        default:
            return "'" + t.text + "'";
        }
    }

    void advance() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        current_ = Token{};
        current_.pos = pos_;
        if (pos_ >= text_.size())
            return;
        char c = text_[pos_];
        if (isIdentStart(c)) {
            std::size_t start = pos_;
            while (pos_ < text_.size() && isIdentChar(text_[pos_]))
                ++pos_;
            current_.kind = Tok::Ident;
            current_.text = toUpperAscii(text_.substr(start, pos_ - start));
        } else if (isDigit(c) ||
                   (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
            lexNumber();
        } else if (c == '.') {
            lexDotWord();
        } else if (c == '"' || c == '\'' || c == '[') {
            char close = c == '[' ? ']' : c;
            std::size_t end = text_.find(close, pos_ + 1);
            if (end == std::string::npos)
                fail(std::string("string not closed with ") + close, pos_);
            current_.kind = Tok::String;
            current_.text = text_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
        } else {
            lexOperator();
        }
    }

    void lexNumber() {
        std::size_t start = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '.' && pos_ + 1 < text_.size() &&
            isDigit(text_[pos_ + 1])) {
            ++pos_;
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
        }
        current_.kind = Tok::Number;
        auto r = std::from_chars(text_.data() + start, text_.data() + pos_, current_.number);
        if (r.ec != std::errc())
            fail("the number is too large", start);
    }

    void lexDotWord() {
        std::size_t end = text_.find('.', pos_ + 1);
        std::string word = end == std::string::npos
                               ? std::string()
                               : toUpperAscii(text_.substr(pos_, end - pos_ + 1));
        if (word == ".T." || word == ".Y." || word == ".F." || word == ".N.") {
            current_.kind = Tok::Logical;
            current_.number = (word == ".T." || word == ".Y.") ? 1 : 0;
        } else if (word == ".AND." || word == ".OR." || word == ".NOT.") {
            current_.kind = Tok::Word;
            current_.text = word;
        } else {
            fail("unknown word after '.'", pos_);
        }
        pos_ = end + 1;
    }

    void lexOperator() {
        static const char* const ops[] = {"<>", "<=", ">=", "!=", "->", "=", "#", "<", ">",
                                          "+",  "-",  "*",  "/",  "$",  "(", ")", ",", "!"};
        for (const char* op : ops) {
            std::string_view o(op);
            if (text_.compare(pos_, o.size(), o) == 0) {
                current_.kind = Tok::Op;
                current_.text = std::string(o);
                pos_ += o.size();
                return;
            }
        }
        fail(std::string("unexpected character '") + text_[pos_] + "'", pos_);
    }

    bool isOp(const char* op) const { return current_.kind == Tok::Op && current_.text == op; }
    bool isWord(const char* w) const { return current_.kind == Tok::Word && current_.text == w; }

    void expect(const char* op) {
        if (!isOp(op))
            fail(std::string("expected '") + op + "' but found " + describe(current_),
                 current_.pos);
        advance();
    }

    NodePtr bind(const std::string& op, std::vector<NodePtr> args, std::size_t pos) {
        try {
            return fold(bindOperator(op, std::move(args)));
        } catch (const BindError& e) {
            fail(e.what(), pos);
        }
    }

    NodePtr binary(const std::string& op, NodePtr a, NodePtr b, std::size_t pos) {
        std::vector<NodePtr> args;
        args.push_back(std::move(a));
        args.push_back(std::move(b));
        return bind(op, std::move(args), pos);
    }

    // A node that depends on no record becomes its value once and for all.
    static NodePtr fold(NodePtr node) {
        if (!node->constant || dynamic_cast<LiteralNode*>(node.get()))
            return node;
        Scalar value;
        node->eval(RecordContext{}, value);
        return makeLiteral(node->type, std::move(value), node->width);
    }

    NodePtr parseOr() {
        NodePtr left = parseAnd();
        Chain chain(*this);
        while (isWord(".OR.")) {
            chain.link();
            std::size_t pos = current_.pos;
            advance();
            left = binary(".OR.", std::move(left), parseAnd(), pos);
        }
        return left;
    }

    NodePtr parseAnd() {
        NodePtr left = parseNot();
        Chain chain(*this);
        while (isWord(".AND.")) {
            chain.link();
            std::size_t pos = current_.pos;
            advance();
            left = binary(".AND.", std::move(left), parseNot(), pos);
        }
        return left;
    }

    NodePtr parseNot() {
        if (isWord(".NOT.") || isOp("!")) {
            Level level(*this);
            std::size_t pos = current_.pos;
            advance();
            std::vector<NodePtr> args;
            args.push_back(parseNot());
            return bind(".NOT.", std::move(args), pos);
        }
        return parseComparison();
    }

    NodePtr parseComparison() {
        NodePtr left = parseAdditive();
        static const char* const ops[] = {"=", "<>", "#", "!=", "<", ">", "<=", ">=", "$"};
        Chain chain(*this);
        while (current_.kind == Tok::Op &&
               std::any_of(std::begin(ops), std::end(ops),
                           [&](const char* op) { return current_.text == op; })) {
            chain.link();
            std::string op = current_.text;
            std::size_t pos = current_.pos;
            advance();
            left = binary(op, std::move(left), parseAdditive(), pos);
        }
        return left;
    }

    NodePtr parseAdditive() {
        NodePtr left = parseMultiplicative();
        Chain chain(*this);
        while (isOp("+") || isOp("-")) {
            chain.link();
            std::string op = current_.text;
            std::size_t pos = current_.pos;
            advance();
            left = binary(op, std::move(left), parseMultiplicative(), pos);
        }
        return left;
    }

    NodePtr parseMultiplicative() {
        NodePtr left = parseUnary();
        Chain chain(*this);
        while (isOp("*") || isOp("/")) {
            chain.link();
            std::string op = current_.text;
            std::size_t pos = current_.pos;
            advance();
            left = binary(op, std::move(left), parseUnary(), pos);
        }
        return left;
    }

    NodePtr parseUnary() {
        if (isOp("-") || isOp("+")) {
            Level level(*this);
            std::string op = current_.text;
            std::size_t pos = current_.pos;
            advance();
            std::vector<NodePtr> args;
            args.push_back(parseUnary());
            return bind(op, std::move(args), pos);
        }
        return parsePrimary();
    }

    NodePtr parsePrimary() {
        Token t = current_;
        switch (t.kind) {
        case Tok::Number: {
            advance();
            Scalar v;
            v.number = t.number;
            return makeLiteral(ResultType::Numeric, v, 0);
        }
        case Tok::String: {
            advance();
            Scalar v;
            v.text = t.text;
            int width = text::charCount(t.text);
            return makeLiteral(ResultType::Character, std::move(v), width);
        }
        case Tok::Logical: {
            advance();
            Scalar v;
            v.logical = t.number != 0;
            return makeLiteral(ResultType::Logical, v, 0);
        }
        case Tok::Ident:
            advance();
            if (isOp("("))
                return parseCall(t);
            if (isOp("->")) {
                advance();
                if (current_.kind != Tok::Ident)
                    fail("expected a field name after '->' but found " + describe(current_),
                         current_.pos);
                t = current_;
                advance();
            }
            return field(t);
        case Tok::Op:
            if (t.text == "(") {
                Level level(*this);
                advance();
                NodePtr inner = parseOr();
                expect(")");
                return inner;
            }
            break;
        default:
            break;
        }
        fail("expected a value but found " + describe(t), t.pos);
    }

    NodePtr parseCall(const Token& name) {
        Level level(*this);
        advance(); // (
        std::vector<NodePtr> args;
        if (!isOp(")")) {
            args.push_back(parseOr());
            while (isOp(",")) {
                advance();
                args.push_back(parseOr());
            }
        }
        expect(")");
        try {
            return fold(bindFunction(name.text, std::move(args)));
        } catch (const BindError& e) {
            fail(e.what(), name.pos);
        }
    }

    NodePtr field(const Token& name) {
        int index = findField(fields_, name.text);
        if (index < 0)
            fail("unknown field " + name.text, name.pos);
        if (std::find(fieldsUsed_.begin(), fieldsUsed_.end(), index) == fieldsUsed_.end())
            fieldsUsed_.push_back(index);
        try {
            return makeField(index, fields_[static_cast<std::size_t>(index)]);
        } catch (const BindError& e) {
            fail(e.what(), name.pos);
        }
    }

    const std::string& text_;
    const FieldList& fields_;
    std::size_t pos_ = 0;
    Token current_;
    std::vector<int> fieldsUsed_;
    int depth_ = 0;
};

} // namespace

ParseResult parseExpression(const std::string& text, const FieldList& fields) {
    return Parser(text, fields).run();
}

} // namespace engine::expr
