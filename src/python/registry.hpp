// What the module registers, in registration order: its functions and its classes.
#pragma once

#include <span>

#include "python/docs.hpp"
#include "python/frame/frame.hpp"
#include "python/functions/functions.hpp"

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

// The table row of every class, each defined in its class's own file.
#define ZORVANE_VALUE_CLASS(Name) extern const ClassDef k##Name##Class;
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) extern const ClassDef k##Name##Class;
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS

}  // namespace zorvane
