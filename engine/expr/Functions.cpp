#include "engine/base/Text.h"
#include "engine/expr/Node.h"
#include "engine/expr/XbaseText.h"
#include "engine/values/Date.h"

#include <algorithm>
#include <cmath>

namespace engine::expr {

namespace {
using C = ResultType;

void evalArg(const CallNode& n, std::size_t i, const RecordContext& c, Scalar& out) {
    n.args[i]->eval(c, out);
}

int intArg(const CallNode& n, std::size_t i, const RecordContext& c) {
    Scalar s;
    evalArg(n, i, c, s);
    return static_cast<int>(std::clamp(s.number, -1.0e6, 1.0e6));
}

void upper(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    for (char& ch : out.text)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 32);
}

void lower(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    for (char& ch : out.text)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch + 32);
}

void substr(const CallNode& n, const RecordContext& c, Scalar& out) {
    int start = intArg(n, 1, c);
    int count = n.args.size() > 2 ? intArg(n, 2, c) : 1000000;
    evalArg(n, 0, c, out);
    out.text = std::string(text::slice(out.text, std::max(start, 1) - 1, count));
}

void left(const CallNode& n, const RecordContext& c, Scalar& out) {
    int count = intArg(n, 1, c);
    evalArg(n, 0, c, out);
    out.text = std::string(text::slice(out.text, 0, count));
}

void right(const CallNode& n, const RecordContext& c, Scalar& out) {
    int count = intArg(n, 1, c);
    evalArg(n, 0, c, out);
    int length = text::charCount(out.text);
    out.text = std::string(text::slice(out.text, std::max(length - count, 0), count));
}

void rtrim(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    std::size_t end = out.text.find_last_not_of(' ');
    out.text.resize(end == std::string::npos ? 0 : end + 1);
}

void ltrim(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.text = trimLeft(out.text);
}

void str(const CallNode& n, const RecordContext& c, Scalar& out) {
    int len = n.args.size() > 1 ? intArg(n, 1, c) : 10;
    int dec = n.args.size() > 2 ? intArg(n, 2, c) : 0;
    evalArg(n, 0, c, out);
    out.text = text::str(out.number, len, dec);
}

void val(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.number = text::val(out.text);
}

void dtos(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.text = text::dtos(out.day);
}

void dtoc(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.text = text::dtoc(out.day);
}

void ctod(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.day = text::ctod(out.text);
}

void iif(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    evalArg(n, out.logical ? 1 : 2, c, out);
}

void recno(const CallNode&, const RecordContext& c, Scalar& out) {
    out.number = static_cast<double>(c.recno);
}

void deleted(const CallNode&, const RecordContext& c, Scalar& out) {
    out.logical = c.deleted;
}

void today(const CallNode&, const RecordContext&, Scalar& out) {
    out.day = Date::today().julianDay();
}

template <int (Date::*Part)() const>
void datePart(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.number = out.day == 0 ? 0 : (Date::fromJulianDay(out.day).*Part)();
}

// The value of a constant argument (a literal, or literals combined), used
// for result widths; nullopt when it changes with the record.
std::optional<int> constantInt(const Node& node) {
    if (!node.constant || node.type != C::Numeric)
        return std::nullopt;
    Scalar s;
    node.eval(RecordContext{}, s);
    return static_cast<int>(std::clamp(s.number, -1.0e6, 1.0e6));
}

struct Signature {
    const char* name;
    std::vector<C> params; // required ones first
    std::size_t required;
    C result;
    CallNode::Impl impl;
    bool varies = false; // RECNO, DELETED, DATE: never constant
};

const std::vector<Signature>& signatures() {
    static const std::vector<Signature> table = {
        {"UPPER", {C::Character}, 1, C::Character, upper},
        {"LOWER", {C::Character}, 1, C::Character, lower},
        {"SUBSTR", {C::Character, C::Numeric, C::Numeric}, 2, C::Character, substr},
        {"LEFT", {C::Character, C::Numeric}, 2, C::Character, left},
        {"RIGHT", {C::Character, C::Numeric}, 2, C::Character, right},
        {"TRIM", {C::Character}, 1, C::Character, rtrim},
        {"RTRIM", {C::Character}, 1, C::Character, rtrim},
        {"LTRIM", {C::Character}, 1, C::Character, ltrim},
        {"STR", {C::Numeric, C::Numeric, C::Numeric}, 1, C::Character, str},
        {"VAL", {C::Character}, 1, C::Numeric, val},
        {"DTOS", {C::Date}, 1, C::Character, dtos},
        {"DTOC", {C::Date}, 1, C::Character, dtoc},
        {"CTOD", {C::Character}, 1, C::Date, ctod},
        {"IIF", {C::Logical}, 3, C::Character, iif},
        {"RECNO", {}, 0, C::Numeric, recno, true},
        {"DELETED", {}, 0, C::Logical, deleted, true},
        {"DATE", {}, 0, C::Date, today, true},
        {"YEAR", {C::Date}, 1, C::Numeric, datePart<&Date::year>},
        {"MONTH", {C::Date}, 1, C::Numeric, datePart<&Date::month>},
        {"DAY", {C::Date}, 1, C::Numeric, datePart<&Date::day>},
    };
    return table;
}

int resultWidth(const std::string& name, const std::vector<NodePtr>& args) {
    int w = args.empty() ? 0 : args[0]->width;
    if (name == "SUBSTR") {
        std::optional<int> start = constantInt(*args[1]);
        int available = start ? std::max(0, w - std::max(*start, 1) + 1) : w;
        std::optional<int> count = args.size() > 2 ? constantInt(*args[2]) : std::nullopt;
        return count ? std::clamp(*count, 0, available) : available;
    }
    if (name == "LEFT" || name == "RIGHT") {
        std::optional<int> count = constantInt(*args[1]);
        return count ? std::clamp(*count, 0, w) : w;
    }
    if (name == "STR") {
        std::optional<int> len = args.size() > 1 ? constantInt(*args[1]) : 10;
        return len ? std::clamp(*len, 0, text::MaxLength) : 10;
    }
    if (name == "DTOS" || name == "DTOC" || name == "CTOD")
        return 8;
    if (name == "IIF")
        return std::max(args[1]->width, args[2]->width);
    return w;
}
} // namespace

NodePtr bindFunction(const std::string& name, std::vector<NodePtr> args) {
    const auto& table = signatures();
    auto sig = std::find_if(table.begin(), table.end(),
                            [&](const Signature& s) { return name == s.name; });
    if (sig == table.end())
        throw BindError("unknown function " + name + "()");
    bool isIif = name == "IIF";
    std::size_t most = isIif ? 3 : sig->params.size();
    if (args.size() < sig->required || args.size() > most)
        throw BindError(name + "() takes " +
                        (sig->required == most
                             ? std::to_string(most)
                             : std::to_string(sig->required) + " to " + std::to_string(most)) +
                        " arguments, not " + std::to_string(args.size()));
    for (std::size_t i = 0; i < args.size() && (!isIif || i == 0); ++i)
        if (args[i]->type != sig->params[i])
            throw BindError(name + "() argument " + std::to_string(i + 1) + " must be " +
                            typeLetter(sig->params[i]) + ", not " + typeLetter(args[i]->type));
    C result = sig->result;
    if (isIif) {
        if (args[1]->type != args[2]->type)
            throw BindError(std::string("IIF() branches must have one type, not ") +
                            typeLetter(args[1]->type) + " and " + typeLetter(args[2]->type));
        result = args[1]->type;
    }
    auto node = std::make_unique<CallNode>();
    node->type = result;
    node->width = result == C::Character ? resultWidth(name, args) : (result == C::Date ? 8 : 0);
    node->impl = sig->impl;
    node->constant = !sig->varies && std::all_of(args.begin(), args.end(),
                                                 [](const NodePtr& a) { return a->constant; });
    node->args = std::move(args);
    return node;
}

} // namespace engine::expr
