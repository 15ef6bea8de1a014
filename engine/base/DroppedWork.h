#pragma once

#include "engine/base/EngineError.h"

#include <functional>

namespace engine {

// Where an error goes that no caller can receive: a table closed in the
// middle of a batch drops its rows in its destructor, which cannot throw.
// A program sets the handler (to show the message); without one the
// message goes to the standard error stream.
using DroppedWorkHandler = std::function<void(const EngineError&)>;
void setDroppedWorkHandler(DroppedWorkHandler handler);
void reportDroppedWork(const EngineError& error) noexcept;

} // namespace engine
