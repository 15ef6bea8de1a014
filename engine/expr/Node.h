#pragma once

#include "engine/expr/Expression.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace engine::expr {

// One intermediate value while evaluating: only the member of the node's
// type is meaningful. Dates are Julian days, 0 for the blank date.
struct Scalar {
    std::string text;
    double number = 0;
    std::int64_t day = 0;
    bool logical = false;
};

// A node of the parse tree; its type and width are fixed when it is built.
struct Node {
    ResultType type = ResultType::Character;
    int width = 0;         // characters of a Character result
    bool constant = false; // depends on nothing that changes between records
    virtual ~Node() = default;
    virtual void eval(const RecordContext& context, Scalar& out) const = 0;
};

using NodePtr = std::unique_ptr<Node>;

// Thrown while binding names and types; the parser adds the expression text.
struct BindError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

char typeLetter(ResultType type);

struct LiteralNode : Node {
    Scalar value;
    void eval(const RecordContext&, Scalar& out) const override { out = value; }
};

struct FieldNode : Node {
    int field = 0;
    void eval(const RecordContext& context, Scalar& out) const override;
};

// Operators and functions: `impl` evaluates the arguments it needs.
struct CallNode : Node {
    using Impl = void (*)(const CallNode&, const RecordContext&, Scalar&);
    Impl impl = nullptr;
    std::vector<NodePtr> args;
    void eval(const RecordContext& context, Scalar& out) const override {
        impl(*this, context, out);
    }
};

NodePtr makeLiteral(ResultType type, Scalar value, int width);
NodePtr makeField(int field, const FieldDef& def);
// Both throw BindError saying what is wrong with the names or types.
NodePtr bindOperator(const std::string& op, std::vector<NodePtr> args);
NodePtr bindFunction(const std::string& upperName, std::vector<NodePtr> args);

} // namespace engine::expr
