#pragma once

#include <exception>
#include <string_view>
#include <utility>

namespace engine {

// The engine's public calls let only EngineError out. Inside `catch (...)`,
// rethrows the exception being handled as an EngineError: an EngineError as
// it is (so nested boundaries do not wrap twice), std::bad_alloc as
// OutOfMemory, a file-system or system error as IoError with its path and the
// system's message, anything else as Internal. `subject` names the table,
// file or dataset the call was about.
[[noreturn]] void rethrowAsEngineError(std::string_view subject);

// Runs `call` behind the boundary; the normal path costs only a try block.
template <class Call> decltype(auto) engineBoundary(std::string_view subject, Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        rethrowAsEngineError(subject);
    }
}

// What a caller's own code (an event, a progress callback) throws from inside
// a boundary: it leaves the boundary as it was thrown.
struct CallerException {
    std::exception_ptr thrown;
};

// Runs a caller's callback from inside a boundary.
template <class Call> decltype(auto) callerCode(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        throw CallerException{std::current_exception()};
    }
}

} // namespace engine
