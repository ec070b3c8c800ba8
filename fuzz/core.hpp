// What the fuzzing programs of the core share (fuzz/core_*.cpp): they call the core's readers
// directly, without an interpreter. A refusal of a kind the reader does not document, or a failed
// round trip, is a finding: it is printed and the program aborts, as it does on a crash or a
// sanitizer report.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "core/error.hpp"

namespace zorvane::fuzz {

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

/// Runs `read`; true when it read a value, false when it refused the input with an error of one
/// of the `expected` kinds (anything else is a finding).
template <class F>
bool reads(F&& read, std::initializer_list<ErrorKind> expected) {
  try {
    read();
    return true;
  } catch (const Error& error) {
    for (const ErrorKind kind : expected) {
      if (error.kind == kind) return false;
    }
    std::fprintf(stderr, "%s: %s\n", error_kind_name(error.kind), error.message.c_str());
    fail("an error of a kind the reader does not document");
  }
}

}  // namespace zorvane::fuzz
