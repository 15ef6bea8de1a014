#include "EngineErrors.h"

#include "engine/base/EngineError.h"

namespace support {

std::uint16_t errorCode(const std::function<void()>& work) {
    try {
        work();
    } catch (const engine::EngineError& error) {
        return error.code();
    }
    return engine::code::Success;
}

} // namespace support
