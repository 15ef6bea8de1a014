#pragma once

#include "engine/values/Date.h"

#include <cstdint>
#include <string>

namespace engine::dbase {

// What a dBase table shows beyond engine::TableFile, for tools that describe
// a table (reach it with dynamic_cast from a TableFile).
class DbaseDetails {
public:
    virtual ~DbaseDetails() = default;
    virtual std::uint8_t versionByte() const = 0;
    virtual std::uint8_t languageDriver() const = 0;
    virtual int codepage() const = 0;
    virtual Date lastUpdate() const = 0;
    virtual std::uint32_t memoBlockSize() const = 0; // 0 without a memo file
    // Why the production index declared by the table cannot be used; "" when it can.
    virtual std::string indexProblem() const = 0;
};

} // namespace engine::dbase
