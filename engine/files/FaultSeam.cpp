#include "engine/files/FaultSeam.h"

#include "engine/base/EngineError.h"

#include <atomic>
#include <csignal>

namespace engine::faults {

namespace {
std::atomic<std::uint64_t> writes{0};
std::atomic<std::uint64_t> failAt{0};
std::atomic<Fault> kind{Fault::IoError};
std::atomic<std::uint64_t> fileOperations{0};
std::atomic<std::uint64_t> failOperationAt{0};
std::atomic<Fault> operationKind{Fault::Kill};
std::atomic<std::uint64_t> putBacks{0};
std::atomic<std::uint64_t> failPutBackAt{0};

void fail(Fault fault, const std::string& file) {
    switch (fault) {
    case Fault::Kill:
        std::raise(SIGKILL);
        break;
    case Fault::DiskFull:
        throw EngineError(code::IoError, "Cannot write " + file + ": No space left on device");
    case Fault::IoError:
        throw EngineError(code::IoError, "Cannot write " + file + ": Input/output error");
    }
}

} // namespace

void failWrite(std::uint64_t n, Fault fault) {
    kind = fault;
    failAt = n == 0 ? 0 : writes + n;
}

std::uint64_t writesSoFar() {
    return writes;
}

void beforeWrite(const std::string& file) {
    std::uint64_t now = ++writes;
    if (failAt == 0 || now != failAt)
        return;
    failAt = 0;
    fail(kind, file);
}

void failFileOperation(std::uint64_t n, Fault fault) {
    operationKind = fault;
    failOperationAt = n == 0 ? 0 : fileOperations + n;
}

std::uint64_t fileOperationsSoFar() {
    return fileOperations;
}

void beforeFileOperation(const std::string& file) {
    std::uint64_t now = ++fileOperations;
    if (failOperationAt == 0 || now != failOperationAt)
        return;
    failOperationAt = 0;
    fail(operationKind, file);
}

void failPutBack(std::uint64_t n) {
    failPutBackAt = n == 0 ? 0 : putBacks + n;
}

void beforePutBack(const std::string& file) {
    std::uint64_t now = ++putBacks;
    if (failPutBackAt == 0 || now != failPutBackAt)
        return;
    failPutBackAt = 0;
    throw EngineError(code::IoError,
                      "Cannot put back " + file + " to undo a failed write: Input/output error");
}

} // namespace engine::faults
