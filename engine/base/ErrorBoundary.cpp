#include "engine/base/ErrorBoundary.h"

#include "engine/base/EngineError.h"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>

namespace engine {

namespace {

std::string about(std::string_view subject) {
    return subject.empty() ? std::string() : " (" + std::string(subject) + ")";
}

} // namespace

void rethrowAsEngineError(std::string_view subject) {
    try {
        throw;
    } catch (const EngineError&) {
        throw;
    } catch (const CallerException& caller) {
        std::rethrow_exception(caller.thrown);
    } catch (const std::bad_alloc&) {
        throw EngineError(code::OutOfMemory, "Not enough memory" + about(subject));
    } catch (const std::filesystem::filesystem_error& error) {
        std::string paths = error.path1().string();
        if (!error.path2().empty())
            paths += ", " + error.path2().string();
        if (paths.empty())
            paths = std::string(subject);
        throw EngineError(code::IoError,
                          "File system error on " + paths + ": " + error.code().message());
    } catch (const std::system_error& error) {
        throw EngineError(code::IoError,
                          "System error" + about(subject) + ": " + error.code().message());
    } catch (const std::exception& error) {
        throw EngineError(code::Internal,
                          "Internal error of the engine" + about(subject) + ": " + error.what());
    } catch (...) {
        throw EngineError(code::Internal,
                          "Internal error of the engine" + about(subject) + ": unknown exception");
    }
}

} // namespace engine
