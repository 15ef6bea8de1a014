#include "engine/expr/Node.h"
#include "engine/expr/XbaseText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace engine::expr {

namespace {
using C = ResultType;

void evalArg(const CallNode& n, std::size_t i, const RecordContext& c, Scalar& out) {
    n.args[i]->eval(c, out);
}

void concat(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar right;
    evalArg(n, 0, c, out);
    evalArg(n, 1, c, right);
    out.text += right.text;
}

// "AB  " - "CD" = "ABCD  ": the left operand's trailing blanks go to the end.
void concatTrimmed(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar right;
    evalArg(n, 0, c, out);
    evalArg(n, 1, c, right);
    std::size_t end = out.text.find_last_not_of(' ');
    std::size_t kept = end == std::string::npos ? 0 : end + 1;
    std::size_t blanks = out.text.size() - kept;
    out.text.resize(kept);
    out.text += right.text;
    out.text.append(blanks, ' ');
}

template <typename Op> void numeric(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar right;
    evalArg(n, 0, c, out);
    evalArg(n, 1, c, right);
    out.number = Op()(out.number, right.number);
}

struct Divide {
    double operator()(double a, double b) const { return b == 0 ? 0 : a / b; }
};

void negate(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.number = -out.number;
}

// A day moved by a number of days; blank when the result is no date.
std::int64_t movedDay(std::int64_t day, double days) {
    double moved = static_cast<double>(day) + days;
    if (!(moved >= Date::MinJulianDay && moved <= Date::MaxJulianDay))
        return 0;
    return static_cast<std::int64_t>(moved);
}

void datePlusDays(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar days;
    bool dateFirst = n.args[0]->type == C::Date;
    evalArg(n, dateFirst ? 0 : 1, c, out);
    evalArg(n, dateFirst ? 1 : 0, c, days);
    if (out.day != 0)
        out.day = movedDay(out.day, std::trunc(days.number));
}

void dateMinusDays(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar days;
    evalArg(n, 0, c, out);
    evalArg(n, 1, c, days);
    if (out.day != 0)
        out.day = movedDay(out.day, -std::trunc(days.number));
}

void dateDifference(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar right;
    evalArg(n, 0, c, out);
    evalArg(n, 1, c, right);
    out.number = (out.day == 0 || right.day == 0) ? 0 : static_cast<double>(out.day - right.day);
}

// Strings compare only up to the length of the right operand (SET EXACT OFF).
int compareText(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    int r = std::memcmp(a.data(), b.data(), n);
    if (r != 0)
        return r;
    return a.size() < b.size() ? -1 : 0;
}

int compareScalars(const CallNode& n, const RecordContext& c) {
    Scalar a, b;
    evalArg(n, 0, c, a);
    evalArg(n, 1, c, b);
    switch (n.args[0]->type) {
    case C::Character:
        return compareText(a.text, b.text);
    case C::Numeric:
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    case C::Date:
        return a.day < b.day ? -1 : a.day > b.day ? 1 : 0;
    case C::Logical:
        return static_cast<int>(a.logical) - static_cast<int>(b.logical);
    }
    return 0;
}

template <typename Test> void comparison(const CallNode& n, const RecordContext& c, Scalar& out) {
    out.logical = Test()(compareScalars(n, c), 0);
}

void contains(const CallNode& n, const RecordContext& c, Scalar& out) {
    Scalar needle, haystack;
    evalArg(n, 0, c, needle);
    evalArg(n, 1, c, haystack);
    out.logical = haystack.text.find(needle.text) != std::string::npos;
}

void logicalAnd(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    if (out.logical)
        evalArg(n, 1, c, out);
}

void logicalOr(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    if (!out.logical)
        evalArg(n, 1, c, out);
}

void logicalNot(const CallNode& n, const RecordContext& c, Scalar& out) {
    evalArg(n, 0, c, out);
    out.logical = !out.logical;
}

std::string describe(const std::vector<NodePtr>& args) {
    std::string s;
    for (const auto& a : args) {
        s += s.empty() ? "" : " and ";
        s += typeLetter(a->type);
    }
    return s;
}

NodePtr make(ResultType type, int width, CallNode::Impl impl, std::vector<NodePtr> args) {
    auto node = std::make_unique<CallNode>();
    node->type = type;
    node->width = width;
    node->impl = impl;
    node->constant =
        std::all_of(args.begin(), args.end(), [](const NodePtr& a) { return a->constant; });
    node->args = std::move(args);
    return node;
}

NodePtr bindComparison(const std::string& op, std::vector<NodePtr> args) {
    ResultType t = args[0]->type;
    if (t != args[1]->type)
        throw BindError("operator " + op + " compares " + describe(args) + " values");
    if (t == C::Logical && op != "=" && op != "<>" && op != "#" && op != "!=")
        throw BindError("operator " + op + " does not order logical values");
    CallNode::Impl impl = nullptr;
    if (op == "=")
        impl = comparison<std::equal_to<int>>;
    else if (op == "<>" || op == "#" || op == "!=")
        impl = comparison<std::not_equal_to<int>>;
    else if (op == "<")
        impl = comparison<std::less<int>>;
    else if (op == ">")
        impl = comparison<std::greater<int>>;
    else if (op == "<=")
        impl = comparison<std::less_equal<int>>;
    else
        impl = comparison<std::greater_equal<int>>;
    return make(C::Logical, 0, impl, std::move(args));
}
} // namespace

char typeLetter(ResultType type) {
    switch (type) {
    case C::Character:
        return 'C';
    case C::Numeric:
        return 'N';
    case C::Date:
        return 'D';
    case C::Logical:
        return 'L';
    }
    return '?';
}

NodePtr bindOperator(const std::string& op, std::vector<NodePtr> args) {
    if (args.size() == 1) {
        ResultType t = args[0]->type;
        if ((op == "-" || op == "+") && t == C::Numeric)
            return op == "+" ? std::move(args[0]) : make(t, 0, negate, std::move(args));
        if (op == ".NOT." && t == C::Logical)
            return make(t, 0, logicalNot, std::move(args));
        throw BindError("operator " + op + " cannot take a " + describe(args) + " value");
    }
    ResultType a = args[0]->type;
    ResultType b = args[1]->type;
    int widths = args[0]->width + args[1]->width;
    if (op == "+") {
        if (a == C::Character && b == C::Character)
            return make(a, widths, concat, std::move(args));
        if (a == C::Numeric && b == C::Numeric)
            return make(a, 0, numeric<std::plus<double>>, std::move(args));
        if ((a == C::Date && b == C::Numeric) || (a == C::Numeric && b == C::Date))
            return make(C::Date, 8, datePlusDays, std::move(args));
    } else if (op == "-") {
        if (a == C::Character && b == C::Character)
            return make(a, widths, concatTrimmed, std::move(args));
        if (a == C::Numeric && b == C::Numeric)
            return make(a, 0, numeric<std::minus<double>>, std::move(args));
        if (a == C::Date && b == C::Numeric)
            return make(C::Date, 8, dateMinusDays, std::move(args));
        if (a == C::Date && b == C::Date)
            return make(C::Numeric, 0, dateDifference, std::move(args));
    } else if (op == "*" || op == "/") {
        if (a == C::Numeric && b == C::Numeric)
            return make(a, 0, op == "*" ? numeric<std::multiplies<double>> : numeric<Divide>,
                        std::move(args));
    } else if (op == "$") {
        if (a == C::Character && b == C::Character)
            return make(C::Logical, 0, contains, std::move(args));
    } else if (op == ".AND." || op == ".OR.") {
        if (a == C::Logical && b == C::Logical)
            return make(a, 0, op == ".AND." ? logicalAnd : logicalOr, std::move(args));
    } else {
        return bindComparison(op, std::move(args));
    }
    throw BindError("operator " + op + " cannot combine " + describe(args) + " values");
}

} // namespace engine::expr
