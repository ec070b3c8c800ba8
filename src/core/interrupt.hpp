// Long native loops stay interruptible: every few thousand steps they ask whether the user
// pressed Ctrl-C. The check itself is installed by the module (it runs the interpreter's signal
// handlers), so code under it never calls the interpreter.
#pragma once

#include <cstdint>

namespace zorvane {

/// Throws (the check that the module installs throws its own exception, with KeyboardInterrupt
/// set in the interpreter) when a pending signal handler raised. Without an installed check it
/// does nothing.
using InterruptCheck = void (*)();

/// Installs the check that `InterruptPoll` runs (once, at module start-up).
void set_interrupt_check(InterruptCheck check) noexcept;
/// Runs the installed check now.
void check_interrupt();

/// A loop's step counter: `tick()` is cheap and runs the check every `kEvery` steps. The count
/// is shared by all loops (they all run under the interpreter lock), so many short loops — one
/// walk per constraint of a large model — are checked as often as one long loop. It also
/// measures work: a caller that bounds the work done under it reads `steps()` before and after.
class InterruptPoll {
 public:
  static constexpr std::uint32_t kEvery = 4096;
  static_assert((kEvery & (kEvery - 1)) == 0);
  void tick() {
    if ((++steps_ & (kEvery - 1)) == 0) check_interrupt();
  }
  /// The steps of all loops so far.
  static std::uint64_t steps() noexcept { return steps_; }

 private:
  static inline std::uint64_t steps_ = 0;
};

}  // namespace zorvane
