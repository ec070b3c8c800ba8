// The registration tables: the classes as classes.def lists them, the functions as
// functions.def lists them.
#include "python/registry.hpp"

#include "python/functions/functions.hpp"

namespace zorvane {
namespace {

const FunctionDef kFunctions[] = {
#define ZORVANE_FUNCTION(Name, Callee, Params) \
  {FunctionId::Name, &function_entry<FunctionId::Name, &ZORVANE_UNPAREN Callee>},
#include "python/functions.def"
#undef ZORVANE_FUNCTION
};

const ClassRow kClasses[] = {
#define ZORVANE_VALUE_CLASS(Name) {ClassId::Name, &k##Name##Class},
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) {ClassId::Name, &k##Name##Class},
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

}  // namespace

std::span<const FunctionDef> registered_functions() { return kFunctions; }
std::span<const ClassRow> registered_classes() { return kClasses; }

}  // namespace zorvane
