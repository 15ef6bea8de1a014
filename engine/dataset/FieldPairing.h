#pragma once

#include "engine/table/FieldDef.h"
#include "engine/values/Value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// How the fields of one layout feed those of another: by name, so a field
// inserted, dropped or moved between the two never shifts data into the
// wrong column.
class FieldPairing {
public:
    FieldPairing(const FieldList& from, const FieldList& to);

    // The source field of each destination field, -1 for none.
    const std::vector<int>& sourceOf() const { return sourceOf_; }
    // Source fields that the destination does not have.
    const std::vector<std::string>& dropped() const { return dropped_; }
    // True when the destination field takes the source's stored bytes as they
    // are (same type, width and decimals).
    bool sameField(std::size_t destinationField) const;

    // One destination field's value from a source row, converted with
    // convertForField; `inexact` as there.
    Value convert(const Value& sourceValue, std::size_t destinationField, bool* inexact) const;
    // A whole source row in the destination's layout; the values that could
    // not be carried over exactly are counted per destination field in
    // `inexact` (when given, sized to the destination).
    void convert(const Record& sourceRow, Record& out, std::vector<std::uint64_t>* inexact) const;

private:
    const FieldList& from_;
    const FieldList& to_;
    std::vector<int> sourceOf_;
    std::vector<std::string> dropped_;
};

} // namespace engine
