// A guard against running out of C stack in the deepest recursive walk (the printer).
#pragma once

namespace zorvane {

/// Raises RecursionError when less than a safety margin of the calling thread's C stack is
/// left, so a deep tree in a thread with a small stack fails cleanly instead of crashing.
void check_stack();

}  // namespace zorvane
