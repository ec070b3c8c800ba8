// Long native loops stay interruptible: every few thousand steps they ask whether the user
// pressed Ctrl-C. The check itself is installed by the module (it runs the interpreter's signal
// handlers), so code under it never calls the interpreter.
#pragma once

#include <cstdint>

namespace zorvane {

/// Throws (the installed check throws `PythonError` with KeyboardInterrupt set) when a pending
/// signal handler raised. Without an installed check it does nothing.
using InterruptCheck = void (*)();

/// Installs the check that `InterruptPoll` runs (once, at module start-up).
void set_interrupt_check(InterruptCheck check) noexcept;
/// Runs the installed check now.
void check_interrupt();

/// A loop's step counter: `tick()` is cheap and runs the check every `kEvery` steps. The count
/// is shared by all loops (they all run under the interpreter lock), so many short loops — one
/// walk per constraint of a large model — are checked as often as one long loop.
class InterruptPoll {
 public:
  static constexpr std::uint32_t kEvery = 4096;
  void tick() {
    if (++steps_ == kEvery) {
      steps_ = 0;
      check_interrupt();
    }
  }

 private:
  static inline std::uint32_t steps_ = 0;
};

}  // namespace zorvane
