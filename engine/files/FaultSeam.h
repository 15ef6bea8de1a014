#pragma once

#include <cstdint>
#include <string>

// A seam for tests in the file layer: every write of BinaryFile passes it,
// so a test can make the Nth write from now fail (an I/O error or a full
// disk) or end the program on the spot (a crash at a chosen point).
namespace engine::faults {

enum class Fault { IoError, DiskFull, Kill };

// The `n`th write from now (1 = the next one) fails as `fault`; 0 turns the
// seam off. Only that one write fails.
void failWrite(std::uint64_t n, Fault fault = Fault::IoError);
// Writes made since the program started (to count the writes of an operation).
std::uint64_t writesSoFar();
// Called before each write to `file`; throws EngineError or ends the program
// when this is the write chosen to fail.
void beforeWrite(const std::string& file);

// The `n`th file operation from now (1 = the next one) fails as `fault`: a
// file created, renamed or removed, or data or a directory flushed to the
// disk. 0 turns it off. Writes inside files are not file operations.
void failFileOperation(std::uint64_t n, Fault fault = Fault::Kill);
// File operations made since the program started.
std::uint64_t fileOperationsSoFar();
// Called before each file operation on `file`; throws EngineError or ends
// the program when this is the operation chosen to fail.
void beforeFileOperation(const std::string& file);

// The `n`th file from now (1 = the next one) that a rollback puts back fails
// to go back with an I/O error; 0 turns it off. Put-backs are not writes:
// they leave the count of writes alone.
void failPutBack(std::uint64_t n);
// Called before a rollback puts `file` back; throws EngineError when this is
// the put-back chosen to fail.
void beforePutBack(const std::string& file);

} // namespace engine::faults
