// What the module registers, in registration order: its functions and its classes.
#pragma once

#include <span>

#include "python/frame/frame.hpp"
#include "python/function_id.hpp"

namespace zorvane {

/// A module function: its row of functions.def and its entry point (a fast call with keywords).
struct FunctionDef {
  FunctionId id;
  _PyCFunctionFastWithKeywords entry;
};

/// A class as the module registers it; its documentation is `docs::kClassDocs[id]`.
struct ClassRow {
  ClassId id;
  const ClassDef* def;
};

/// Module functions in registration order.
std::span<const FunctionDef> registered_functions();
/// Classes in registration order: one row per row of classes.def.
std::span<const ClassRow> registered_classes();

}  // namespace zorvane
