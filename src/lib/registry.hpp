// What the module registers, in registration order: its functions and its classes.
#pragma once

#include <span>

#include "binding/frame.hpp"

namespace zorvane {

/// A module function: a fast call with keywords whose doc starts with its text signature.
struct FunctionDef {
  const char* name;
  const char* signature;  ///< e.g. "(expr)"
  const char* doc;        ///< null: nothing after the signature line
  _PyCFunctionFastWithKeywords entry;
};

/// Module functions in registration order.
std::span<const FunctionDef> registered_functions();
/// Classes in registration order (a subsequence of `ClassId`'s order).
std::span<const ClassDef* const> registered_classes();

}  // namespace zorvane
