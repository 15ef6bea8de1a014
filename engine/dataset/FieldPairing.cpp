#include "engine/dataset/FieldPairing.h"

#include "engine/dataset/ValueConversion.h"

namespace engine {

FieldPairing::FieldPairing(const FieldList& from, const FieldList& to)
    : from_(from), to_(to), sourceOf_(to.size(), -1) {
    for (std::size_t i = 0; i < to.size(); ++i)
        sourceOf_[i] = findField(from, to[i].name);
    for (const FieldDef& field : from)
        if (findField(to, field.name) < 0)
            dropped_.push_back(field.name);
}

bool FieldPairing::sameField(std::size_t i) const {
    int j = sourceOf_[i];
    return j >= 0 && from_[j].type == to_[i].type && from_[j].length == to_[i].length &&
           from_[j].decimals == to_[i].decimals;
}

Value FieldPairing::convert(const Value& sourceValue, std::size_t i, bool* inexact) const {
    int j = sourceOf_[i];
    if (j < 0)
        return Value();
    if (sameField(i))
        return sourceValue;
    // The source field goes along so that a number keeps its decimals as text.
    return convertForField(sourceValue, to_[i], inexact, &from_[j]);
}

void FieldPairing::convert(const Record& sourceRow, Record& out,
                           std::vector<std::uint64_t>* inexact) const {
    out.resize(to_.size());
    for (std::size_t i = 0; i < to_.size(); ++i) {
        bool lost = false;
        out[i] = sourceOf_[i] < 0 ? Value() : convert(sourceRow[sourceOf_[i]], i, &lost);
        if (inexact)
            (*inexact)[i] += lost;
    }
}

} // namespace engine
